// The start-up's search for the default source.
#include "tavrin/app/main/source_search.h"

#include "tavrin/skin/settings_ini.h"

namespace quill::app {

SourceAnswer SearchDefaultSource() {
  SourceAnswer found;
  found.kind = FindDefaultSourceFolder(found.path);
  return found;
}

}  // namespace quill::app
