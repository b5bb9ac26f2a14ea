// The presenter's sample pool.
#include "playcore/presenter/sample_pool.h"

#include <mferror.h>

namespace playcore {

using quill::com::ScopedLock;

SamplePool::~SamplePool() { free_.Clear(); }

HRESULT SamplePool::Initialize(SampleList& samples) {
  ScopedLock lock(lock_);
  if (initialized_) return MF_E_INVALIDREQUEST;
  for (auto* node = samples.Front(); node != samples.End(); node = node->next) {
    const HRESULT hr = free_.InsertBack(node->item);
    if (FAILED(hr)) {
      free_.Clear();
      return hr;
    }
  }
  initialized_ = true;
  return S_OK;
}

HRESULT SamplePool::GetSample(IMFSample** sample) {
  if (!sample) return E_POINTER;
  *sample = nullptr;
  ScopedLock lock(lock_);
  if (!initialized_) return MF_E_NOT_INITIALIZED;
  if (free_.IsEmpty()) return S_OK;
  const HRESULT hr = free_.RemoveFront(sample);
  if (SUCCEEDED(hr)) ++pending_;
  return hr;
}

HRESULT SamplePool::ReturnSample(IMFSample* sample) {
  if (!sample) return E_POINTER;
  ScopedLock lock(lock_);
  if (!initialized_) return MF_E_NOT_INITIALIZED;
  const HRESULT hr = free_.InsertBack(sample);
  // A count that would go below zero means a sample came back that was never handed out.
  if (SUCCEEDED(hr) && pending_ > 0) --pending_;
  return hr;
}

BOOL SamplePool::AreSamplesPending() {
  ScopedLock lock(lock_);
  return initialized_ && pending_ > 0;
}

DWORD SamplePool::PendingCount() {
  ScopedLock lock(lock_);
  return pending_;
}

DWORD SamplePool::FreeCount() {
  ScopedLock lock(lock_);
  return free_.GetCount();
}

bool SamplePool::IsInitialized() {
  ScopedLock lock(lock_);
  return initialized_;
}

HRESULT SamplePool::Clear() {
  ScopedLock lock(lock_);
  free_.Clear();
  initialized_ = false;
  pending_ = 0;
  return S_OK;
}

}  // namespace playcore
