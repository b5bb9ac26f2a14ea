// The G-sensor graph's data from the global player instances.
#include "tavrin/driveviews/gsensor_source.h"

#include "playcore/instances/dispatchers.h"
#include "playcore/instances/instance_gate.h"
#include "playcore/instances/player_instance.h"

namespace quill::driveviews {

using namespace playcore;

namespace {

sPLAYERINSTANCE* DataSourceInstance() { return &g_PlayerInstance[DataSourceIndex()]; }

}  // namespace

bool PlayerGraphSource::Active() { return DataSourceInstance()->active != 0; }

// Each list is fetched under the instance mutex; the pass holds both mutexes around its reads (and a
// read inside such a hold takes no wait of its own: thousands of them are made for the map's events).
std::vector<sEVENTRECORD>* PlayerGraphSource::Records() {
  sPLAYERINSTANCE* instance = DataSourceInstance();
  if (PlayerCall_HoldsThroughLockAll(instance)) {
    return instance->dataMap.loaded ? instance->dataMap.events : nullptr;
  }
  InstanceUse use(instance);
  if (!use.entered()) return nullptr;
  MutexLock lock(instance->instanceMutex);
  return instance->dataMap.loaded ? instance->dataMap.events : nullptr;
}

std::vector<sEVENTRECORD*>* PlayerGraphSource::PositionTable() {
  sPLAYERINSTANCE* instance = DataSourceInstance();
  if (PlayerCall_HoldsThroughLockAll(instance)) {
    return instance->dataMap.loaded ? instance->dataMap.positionTable : nullptr;
  }
  InstanceUse use(instance);
  if (!use.entered()) return nullptr;
  MutexLock lock(instance->instanceMutex);
  return instance->dataMap.loaded ? instance->dataMap.positionTable : nullptr;
}

int64_t PlayerGraphSource::Duration(int selector) {
  const int index = selector == kSelectorAll ? DataSourceIndex() : selector;
  if (index < 0 || index >= kPlayerCount) return 0;
  sPLAYERINSTANCE* instance = &g_PlayerInstance[index];
  if (!instance->active || !g_PlayerFuncs[index].GetDuration) return 0;
  return g_PlayerFuncs[index].GetDuration(instance);
}

void PlayerGraphSource::Lock() { PlayerCall_LockAll(); }
void PlayerGraphSource::Unlock() { PlayerCall_UnlockAll(); }

}  // namespace quill::driveviews
