// For functions the system's headers declare as imported from a DLL: their callers jump through the
// import pointer "__imp__<name>@<bytes>" (and take the function's address as "_<name>@<bytes>"), the
// two symbols an import library would give. QUILL_IMPORT_ENTRY(name, bytes, Stub) gives both, bound
// to Stub (a function of the same type that finds the real one at its first call), so that callers
// stay as they are and the system's import library is no longer linked. bytes: the size of the
// arguments, the stdcall decoration of a 32-bit build.
#pragma once

#define QUILL_IMPORT_ENTRY(name, bytes, Stub)                                                           \
  extern "C" decltype(&::name) const quill_import_##name __asm__("__imp__" #name "@" #bytes);          \
  extern "C" decltype(&::name) const quill_import_##name = &Stub;                                      \
  __asm__(".globl _" #name "@" #bytes "\n_" #name "@" #bytes ": jmp *__imp__" #name "@" #bytes "\n")
