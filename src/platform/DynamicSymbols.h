#pragma once
// Run-time symbol lookup in the program's own global scope (dlsym on dlopen(nullptr)), for
// functions a program may or may not find on the running system.
namespace platform::dynamic {

void* globalSymbol(const char* name); // nullptr when not found

} // namespace platform::dynamic
