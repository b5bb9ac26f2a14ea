// The whole framework layer in one include.
#pragma once

#include "platform/framework/app.h"
#include "platform/framework/controls.h"
#include "platform/framework/cstring.h"
#include "platform/framework/dialog.h"
#include "platform/framework/gdi.h"
#include "platform/framework/geometry.h"
#include "platform/framework/thread.h"
#include "platform/framework/wnd.h"
