#include "platform/shared_library.h"

#include <dlfcn.h>

namespace textreel {

SharedLibrary::SharedLibrary(const char* fileName, const char* package) : fileName_(fileName) {
    // RTLD_NOW: a library that lacks a symbol it needs is refused here rather than failing later
    // in the middle of a call. Never closed: see the header.
    handle_ = dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* reason = dlerror();
        error_ = fileName_ + " cannot be loaded (is the Debian package " + package + " installed?)";
        if (reason != nullptr) {
            error_ += ": " + std::string(reason);
        }
    }
}

void* SharedLibrary::Lookup(const char* name) {
    if (handle_ == nullptr) {
        return nullptr;
    }
    dlerror();
    void* address = dlsym(handle_, name);
    if (address == nullptr) {
        error_ = fileName_ + " lacks " + name + " (a version textreel does not know)";
    }
    return address;
}

}  // namespace textreel
