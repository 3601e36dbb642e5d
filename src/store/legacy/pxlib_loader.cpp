#include "store/legacy/pxlib_loader.h"

#include <dlfcn.h>

#include <stdexcept>

namespace vexa::legacy {

namespace {

template <typename F>
void bind(void* handle, const char* name, F& out, std::string& missing) {
    out = reinterpret_cast<F>(dlsym(handle, name));
    if (!out) missing = name;
}

PxLib& linkedInLib() {
    static PxLib lib;
    return lib;
}

}  // namespace

void usePxlib(const PxLib& linkedIn) {
    linkedInLib() = linkedIn;
}

const PxLib& pxlib() {
    if (linkedInLib().new2) return linkedInLib();
    static const PxLib lib = [] {
        PxLib l;
        void* handle = dlopen("libpx.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!handle) handle = dlopen("libpx.so", RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            throw std::runtime_error(
                "No se puede leer una base de datos de la versión anterior: falta la biblioteca "
                "pxlib (libpx.so.0).");
        std::string missing;
        bind(handle, "PX_new2", l.new2, missing);
        bind(handle, "PX_delete", l.del, missing);
        bind(handle, "PX_open_fp", l.openFp, missing);
        bind(handle, "PX_get_num_fields", l.numFields, missing);
        bind(handle, "PX_get_fields", l.fields, missing);
        bind(handle, "PX_get_recordsize", l.recordSize, missing);
        bind(handle, "PX_get_num_records", l.numRecords, missing);
        bind(handle, "PX_get_record", l.record, missing);
        if (!missing.empty())
            throw std::runtime_error("La biblioteca pxlib instalada no tiene la función " +
                                     missing + ".");
        return l;
    }();
    return lib;
}

}  // namespace vexa::legacy
