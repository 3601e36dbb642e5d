// Built into vexa-cli only when it is linked statically: pxlib's archive is linked in, since
// a static program cannot load the shared library (loading it brings a second C library into
// the process, and reading a table then crashes).
#include "store/legacy/pxlib_loader.h"

#include <cstdlib>

// The archive's stream layer also holds the gsf streams of PX_open_gsf, which nothing here
// calls; these stand in for the four gsf functions it names, so glib and its kin stay out.
extern "C" {
void gsf_input_read() {
    std::abort();
}
void gsf_input_seek() {
    std::abort();
}
void gsf_input_tell() {
    std::abort();
}
void gsf_output_write() {
    std::abort();
}
}

namespace {

const bool registered = [] {
    vexa::legacy::PxLib lib;
    lib.new2 = &PX_new2;
    lib.del = &PX_delete;
    lib.openFp = &PX_open_fp;
    lib.numFields = &PX_get_num_fields;
    lib.fields = &PX_get_fields;
    lib.recordSize = &PX_get_recordsize;
    lib.numRecords = &PX_get_num_records;
    lib.record = &PX_get_record;
    vexa::legacy::usePxlib(lib);
    return true;
}();

}  // namespace
