// The scene's objects hold every Direct3D object and lock through the COM layer's owning pointer and
// scoped critical section, so no path can leak a reference or leave a lock held.
#pragma once

#include "platform/com/com_ptr.h"

namespace playcore {

using quill::com::ComPtr;
using quill::com::CriticalSection;
using Lock = quill::com::ScopedLock;

}  // namespace playcore
