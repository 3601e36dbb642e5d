#pragma once
// pxlib is loaded when a table of the earlier program is first read, not when a program
// starts: it brings a dozen libraries with it (gsf, glib, xml2, icu), which every start of
// vexa-cli would otherwise pay for.
extern "C" {
#include <paradox.h>
}

#include <string>

namespace vexa::legacy {

struct PxLib {
    decltype(&PX_new2) new2 = nullptr;
    decltype(&PX_delete) del = nullptr;
    decltype(&PX_open_fp) openFp = nullptr;
    decltype(&PX_get_num_fields) numFields = nullptr;
    decltype(&PX_get_fields) fields = nullptr;
    decltype(&PX_get_recordsize) recordSize = nullptr;
    decltype(&PX_get_num_records) numRecords = nullptr;
    decltype(&PX_get_record) record = nullptr;
};

// The library's functions; throws std::runtime_error with a Spanish message when the
// library cannot be loaded.
const PxLib& pxlib();

// A program linked statically cannot load pxlib: it links the library in and hands its
// functions here before main(), and pxlib() then returns them.
void usePxlib(const PxLib& linkedIn);

}  // namespace vexa::legacy
