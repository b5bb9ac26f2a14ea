// The dispatchers the main dialog drives both instances through. A selector names instance 0 or 1,
// or kSelectorAll for every active instance; "OR" means 1 when any called operation answered non-zero.
#pragma once

#include "playcore/instances/player_instance.h"

namespace playcore {

int PlayerCall_ProbeFile(const wchar_t* path);
int PlayerCall_CloseMovieAll();
// Instance by instance, the first active one with a movie open that loads its path becomes the data
// source and the loop stops. A path that does not fit 260 characters fails the call.
int PlayerCall_OpenDataFile(const wchar_t* path0, const wchar_t* path1);
int PlayerCall_CloseDataFileAll();
int PlayerCall_Play(int selector);
int PlayerCall_Pause(int selector);
int PlayerCall_Stop(int selector);
// The position is scaled into each instance's own time scale (both show the same moment).
int PlayerCall_Seek(int selector, int32_t position);
int PlayerCall_SetPosition(int selector, int32_t position);
// The chosen instance (the data source for kSelectorAll) gets the volume, the other one 0.
int PlayerCall_SetVolume(int selector, int32_t volume);
int PlayerCall_SetRate(int32_t speedCode);
float PlayerCall_GetTimeScale(int selector);
int PlayerCall_Repaint(int selector);
int PlayerCall_SetZoom(const sZOOMBLOCK blocks[kPlayerCount], int32_t layout);
// Both instance mutexes for the calling thread (each active instance entered); nests on its thread.
void PlayerCall_LockAll();
void PlayerCall_UnlockAll();
// Whether the calling thread holds `instance`'s mutex through PlayerCall_LockAll: a read of its data
// then needs no lock of its own.
bool PlayerCall_HoldsThroughLockAll(const sPLAYERINSTANCE* instance);
// The data-source instance's current GPS points, valid until PlayerCall_UnlockAll: the calling thread
// must hold PlayerCall_LockAll, and gets null otherwise (as when the instance is not active or nothing
// is loaded).
std::vector<sGPSPOINT>* PlayerCall_GetGpsPoints();

// 0 when instance 0's data-source word is set, else 1.
int DataSourceIndex();

// The per-instance factors of the position scaling: f0 = 1; f1 = ts0 / ts1 when both instances have
// a movie open and both time scales are above 0, else 1.
void PositionFactors(const sPLAYERINSTANCE* i0, const sPLAYERINSTANCE* i1, float factors[kPlayerCount]);

// The pause of PlayerCall_SetRate after the rate change, in milliseconds.
constexpr DWORD kRateSettleMs = 100;

}  // namespace playcore
