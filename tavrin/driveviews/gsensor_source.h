// Where the G-sensor graph reads its drive data: the data-source player instance's G records and
// per-position table, the players' durations, and the lock that holds both instances for a pass.
// PlayerGraphSource reads the two global player instances; tests hand the graph a fake.
//
// Threads: the UI thread. Lock() holds both instance mutexes (PlayerCall_LockAll) until Unlock();
// the lists returned stay valid while it is held.
#pragma once

#include "playcore/recorder/drive_records.h"

#include <cstdint>
#include <vector>

namespace quill::driveviews {

class GraphDataSource {
 public:
  virtual ~GraphDataSource() = default;
  // False when the data-source instance is not active: nothing is read from it then.
  virtual bool Active() = 0;
  // The G records and the per-position table of the data-source instance; null when none.
  virtual std::vector<playcore::sEVENTRECORD>* Records() = 0;
  virtual std::vector<playcore::sEVENTRECORD*>* PositionTable() = 0;
  // The duration of player 0, 1 or (selector 2) the data-source instance; 0 when not known.
  virtual int64_t Duration(int selector) = 0;
  virtual void Lock() = 0;
  virtual void Unlock() = 0;
};

// The data source of the running program: the global player instances.
class PlayerGraphSource : public GraphDataSource {
 public:
  bool Active() override;
  std::vector<playcore::sEVENTRECORD>* Records() override;
  std::vector<playcore::sEVENTRECORD*>* PositionTable() override;
  int64_t Duration(int selector) override;
  void Lock() override;
  void Unlock() override;
};

// Holds a source's lock for a scope.
class GraphSourceLock {
 public:
  explicit GraphSourceLock(GraphDataSource* source) : source_(source) {
    if (source_) source_->Lock();
  }
  ~GraphSourceLock() {
    if (source_) source_->Unlock();
  }
  GraphSourceLock(const GraphSourceLock&) = delete;
  GraphSourceLock& operator=(const GraphSourceLock&) = delete;

 private:
  GraphDataSource* source_;
};

}  // namespace quill::driveviews
