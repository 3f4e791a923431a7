// A Debian shared library opened when it is first needed rather than linked at start: speech and
// the route graph's drawing load large libraries that most runs never use. A library once opened
// stays loaded for the life of the process (the speech libraries start threads of their own, and
// nothing is gained by unmapping a few pages at exit).
#pragma once

#include <string>

namespace textreel {

class SharedLibrary {
  public:
    // Opens a library by its file name with its version ("libespeak-ng.so.1"), searched where the
    // system keeps its libraries. Opening the same name twice gives the same library. On failure
    // IsOpen() is false and Error() says why, naming the Debian package the caller gave.
    SharedLibrary(const char* fileName, const char* package);

    bool IsOpen() const { return handle_ != nullptr; }
    const std::string& Error() const { return error_; }

    // Looks up a function by name into fn. false, with the reason in Error(), when the library is not
    // open or lacks it; a library of another version lacking one function is refused as a whole.
    template <typename Function>
    bool Bind(const char* name, Function*& fn) {
        fn = reinterpret_cast<Function*>(Lookup(name));
        return fn != nullptr;
    }

  private:
    void* Lookup(const char* name);

    void* handle_ = nullptr;
    std::string fileName_;
    std::string error_;
};

}  // namespace textreel
