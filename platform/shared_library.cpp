// dlopen once per library; dlerror's text is dropped because every caller
// reports a library that will not load as a picture that does not decode.
#include "platform/shared_library.h"

#include <dlfcn.h>

namespace zelmor {

SharedLibrary::SharedLibrary(const char* soname) : handle_(dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {}

void* SharedLibrary::Symbol(const char* name) const {
  return handle_ == nullptr ? nullptr : dlsym(handle_, name);
}

}  // namespace zelmor
