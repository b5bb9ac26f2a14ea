// The presenter's pool of video samples: a free list plus the count of samples handed out and not
// yet returned. Every operation holds the pool lock, which is taken inside the presenter lock.
#pragma once

#include <windows.h>
#include <mfobjects.h>

#include "platform/com/com_ptr.h"
#include "platform/com/mf_list.h"

namespace playcore {

using SampleList = MediaFoundationSamples::ComPtrList<IMFSample>;

class SamplePool {
 public:
  SamplePool() = default;
  virtual ~SamplePool();
  SamplePool(const SamplePool&) = delete;
  SamplePool& operator=(const SamplePool&) = delete;

  // Takes the samples of `samples` in order; MF_E_INVALIDREQUEST when already initialised.
  HRESULT Initialize(SampleList& samples);
  // The front sample with a reference for the caller, or null when the list is empty (S_OK);
  // MF_E_NOT_INITIALIZED before Initialize. A handed-out sample counts as pending.
  HRESULT GetSample(IMFSample** sample);
  // Puts a handed-out sample back at the end; MF_E_NOT_INITIALIZED before Initialize.
  HRESULT ReturnSample(IMFSample* sample);
  // Whether samples are handed out and not back (FALSE when not initialised).
  BOOL AreSamplesPending();
  DWORD PendingCount();
  DWORD FreeCount();
  bool IsInitialized();
  // Empties the list; not initialised, nothing pending.
  HRESULT Clear();

 private:
  quill::com::CriticalSection lock_;
  SampleList free_;
  bool initialized_ = false;
  DWORD pending_ = 0;
};

}  // namespace playcore
