// The instance operations on the DirectShow path: an instance whose Media Foundation start-up check
// failed (player_start.h) opens its movie through a filter graph (playcore/dshow) kept in the
// renderer sub-record. Every function here is called with the instance mutex held, by the slot
// functions, which keep the instance's own words; each platform failure shows the error box once
// and makes the operation answer 0.
//
// The graph posts kMsgGraphEvent to the video window whenever events wait; the window's owner takes
// them with PlayerInstance::TakeGraphEvents and handles kGraphEventComplete like the end of a movie.
#pragma once

#include "platform/framework/private_messages.h"
#include "playcore/dshow/graph_session.h"
#include "playcore/instances/player_instance.h"

namespace playcore {

// Posted by the graph to the video window: graph events are waiting (wParam 0, lParam 0).
constexpr UINT kMsgGraphEvent = quill::msg::kGraphEvent;

namespace dsbridge {

// True when the instance plays through a graph.
bool UsesGraph(const sPLAYERINSTANCE* instance);
// Builds the graph for the instance's window, renders the file and sets the graph up; reverse word,
// bit rate, and quill::msg::kPlayerReady posted to the video window. 1, or 0 with everything released
// again.
int OpenGraph(sPLAYERINSTANCE* instance, const wchar_t* path);
// Releases the graph and every interface it holds; harmless with none.
void CloseGraph(sPLAYERINSTANCE* instance);

int Play(sPLAYERINSTANCE* instance);
// While playing: the same as a seek (the graph plays on from there).
int PlayFrom(sPLAYERINSTANCE* instance, int64_t position);
int Pause(sPLAYERINSTANCE* instance, bool stop);
int64_t GetPosition(sPLAYERINSTANCE* instance);
int Seek(sPLAYERINSTANCE* instance, int64_t position);
int64_t GetDuration(sPLAYERINSTANCE* instance);
int GetNativeSize(sPLAYERINSTANCE* instance, int32_t* width, int32_t* height);
int SetRate(sPLAYERINSTANCE* instance, float rate, bool sound);
int SetVolume(sPLAYERINSTANCE* instance, int32_t volume);
int SetStepMode(sPLAYERINSTANCE* instance, bool on);
int Repaint(sPLAYERINSTANCE* instance);
// True when a windowless renderer draws the picture (it letter-boxes by itself).
bool DrawsWindowless(const sPLAYERINSTANCE* instance);
// The picture into `dest` of the pane, letter-boxed by the renderer when `keepAspect`; a windowless
// renderer draws it again there when `repaint`, the video window of a stopped or paused graph always.
int PlaceVideo(sPLAYERINSTANCE* instance, const RECT& dest, bool keepAspect, bool repaint);

}  // namespace dsbridge

namespace PlayerInstance {
// Takes every graph event waiting on the instance (under its mutex); the GraphEventBits seen. 0 on
// an instance without a graph.
int TakeGraphEvents(sPLAYERINSTANCE* instance);
}  // namespace PlayerInstance

}  // namespace playcore
