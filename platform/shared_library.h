#pragma once

namespace zelmor {

// A system library opened at run time, on first use, instead of being linked:
// librsvg, lcms2, libheif, libavif and libjxl (with what they pull in) cost
// every process start their mapping, relocation and constructors, while most
// runs convert a PNG and never call them.
class SharedLibrary {
 public:
  // Opens the library by its SONAME, resolving every symbol now (a missing
  // one fails here, not in the middle of a decode) and keeping its symbols
  // out of the global scope. It stays loaded until the process ends: the
  // libraries keep state (GLib's type system, plugin tables) that does not
  // survive unloading.
  explicit SharedLibrary(const char* soname);

  bool IsOpen() const { return handle_ != nullptr; }

  // Points `function` at the library's `name`, typed as the library's own
  // header declares it; false, and a null pointer, when the library is not
  // open or lacks the symbol.
  template <typename Function>
  bool Resolve(Function*& function, const char* name) const {
    function = reinterpret_cast<Function*>(Symbol(name));
    return function != nullptr;
  }

 private:
  void* Symbol(const char* name) const;
  void* handle_ = nullptr;
};

// The functions an adapter calls, in one table typed from the library's own
// header, so that a type cannot drift from the function it names. Each entry
// of the list names the SharedLibrary variable it comes from:
//
//   #define HEIF_FUNCTIONS(X) X(heif, heif_context_alloc) X(heif, heif_context_free)
//   struct HeifFunctions { HEIF_FUNCTIONS(ZELMOR_FUNCTION_POINTER) };
//   HeifFunctions table;
//   const bool complete = heif.IsOpen() HEIF_FUNCTIONS(ZELMOR_RESOLVE_FUNCTION);
#define ZELMOR_FUNCTION_POINTER(library, name) decltype(&::name) name = nullptr;
#define ZELMOR_RESOLVE_FUNCTION(library, name) &&(library).Resolve(table.name, #name)

}  // namespace zelmor
