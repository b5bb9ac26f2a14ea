// Numbers of the EVR protocol the presenter speaks, and the private attributes it puts on its samples.
#pragma once

#include <windows.h>
#include <guiddef.h>
#include <mferror.h>

namespace playcore {

// The clock-start offset that means "from where the clock is now" (not in the import headers).
constexpr LONGLONG kPresentationCurrentPosition = 0x7FFFFFFFFFFFFFFFLL;

// Events sent to the EVR through its IMediaEventSink.
constexpr long kEcComplete = 0x01;
constexpr long kEcErrorAbort = 0x03;
constexpr long kEcDisplayChanged = 0x16;
constexpr long kEcProcessingLatency = 0x21;
constexpr long kEcScrubTime = 0x23;
constexpr long kEcStepComplete = 0x24;

// Render states of the presenter.
enum RenderState : LONG {
  kRenderStarted = 1,   // the clock runs: frames go to the scheduler
  kRenderStopped = 2,   // services looked up, clock stopped
  kRenderPaused = 3,    // clock paused: only repaints and the preroll frame
  kRenderShutdown = 4,  // before InitServicePointers and after ReleaseServicePointers
};

// Frame-step states.
enum FrameStepState : LONG {
  kStepIdle = 0,       // no step
  kStepRequested = 1,  // asked for; waits for the clock to start
  kStepCounting = 2,   // queued samples are being counted down
  kStepDelivered = 3,  // the stepped frame went out; waits for its release
  kStepDone = 4,       // the stepped frame came back
};

// Private sample attributes: the token the sample was made under (UINT32) and its swap chain
// (IUnknown).
// {b0bb83cc-f10f-4e2e-aa2b-29ea5e92ef85}
constexpr GUID kSampleCounterAttribute = {
    0xb0bb83cc, 0xf10f, 0x4e2e, {0xaa, 0x2b, 0x29, 0xea, 0x5e, 0x92, 0xef, 0x85}};
// {ad885bd1-7def-414a-b5b0-d3d263d6e96d}
constexpr GUID kSampleSwapChainAttribute = {
    0xad885bd1, 0x7def, 0x414a, {0xb5, 0xb0, 0xd3, 0xd2, 0x63, 0xd6, 0xe9, 0x6d}};

// The number of video samples (swap chains) the engine makes for one media type.
constexpr int kPresenterSampleCount = 2;

// The longest wait of HoldUnlockedPulls for a pull between its halves.
constexpr DWORD kPullHoldWaitMs = 3000;

}  // namespace playcore
