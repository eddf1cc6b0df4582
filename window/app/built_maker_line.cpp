#include "app/maker_line.h"
#include "version/ht5530k_version.h"

// Set by CMake from the cache variables of the same names.
#if !defined(HT_MAKER_PHONE) || !defined(HT_MAKER_WEB)
#error "HT_MAKER_PHONE and HT_MAKER_WEB must be defined (app/CMakeLists.txt)"
#endif

QString BuiltMakerLine() {
    return MakerLine(HT_MAKER_PHONE, HT_MAKER_WEB, ht5530k::kVersion);
}
