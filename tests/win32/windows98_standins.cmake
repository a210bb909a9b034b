# Stand-ins of Windows 98 SE's system DLLs, made from scripts/windows98-imports.txt, for the
# end-to-end test of tq58pc-rex5052-9x (windows98_test.cpp). Each exports the table's functions
# of its DLL: a native one forwarded to Wine's own, a stub as a function that fails with
# ERROR_CALL_NOT_IMPLEMENTED and returns 0, as Windows 98's stubs do, a missing one not at all.
# KERNEL98.dll's GetProcAddress answers the same way for the system DLLs, so that what the
# program looks up at run time is what Windows 98 SE would give it. Each name is the system
# DLL's with "98" for "32", of the same length: the test writes it over the import's name in a
# copy of the .exe.
set(TQ58_WINDOWS98_STANDIN_DIR ${CMAKE_BINARY_DIR}/windows98)
set(table ${PROJECT_SOURCE_DIR}/scripts/windows98-imports.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table})
set(generated ${CMAKE_CURRENT_BINARY_DIR}/windows98)
file(MAKE_DIRECTORY ${generated})

set(tq58_windows98_dlls KERNEL32 USER32 GDI32 COMCTL32 SHELL32 ADVAPI32 WINMM MSVCRT)
set(tq58_windows98_names KERNEL98 USER98 GDI98 COMCTL98 SHELL98 ADVAPI98 WNM98 MSVC98)

# The bytes of a stdcall function's arguments, from the decorated names of its import library.
function(tq58_stdcall_sizes dll out)
  string(TOLOWER ${dll} dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${dll}.a
                  OUTPUT_VARIABLE library OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${CMAKE_NM} -g ${library} OUTPUT_VARIABLE symbols)
  string(REGEX MATCHALL "[ \n]_[A-Za-z0-9_]+@[0-9]+" decorated "${symbols}")
  set(${out} ${decorated} PARENT_SCOPE)
endfunction()

file(STRINGS ${table} rows REGEX "^[A-Z0-9]+\\.DLL ")
set(source "// Made by tests/win32/windows98_standins.cmake from scripts/windows98-imports.txt.\n")
string(APPEND source "#include <cstdint>\n#include <cstring>\n\nextern \"C\" {\n"
  "__declspec(dllimport) void __stdcall SetLastError(unsigned long);\n"
  "__declspec(dllimport) unsigned long __stdcall GetModuleFileNameA(void*, char*, unsigned long);\n"
  "__declspec(dllimport) void* __stdcall GetProcAddress(void*, const char*);\n"
  "__declspec(dllimport) int* __cdecl _errno();\n}\n\n"
  "namespace {\nconstexpr unsigned long kCallNotImplemented = 120;  // ERROR_CALL_NOT_IMPLEMENTED\n"
  "constexpr unsigned long kProcNotFound = 127;  // ERROR_PROC_NOT_FOUND\n"
  "constexpr int kInvalidArgument = 22;  // EINVAL, as msvcrt maps a failed system call\n"
  "unsigned long Fail() {\n    SetLastError(kCallNotImplemented);\n    return 0;\n}\n}  // namespace\n\n")
set(entries "")
foreach(dll IN LISTS tq58_windows98_dlls)
  set(exports_${dll} "")
endforeach()
set(sizes_loaded "")
foreach(row IN LISTS rows)
  string(REGEX REPLACE " +" ";" fields "${row}")
  list(GET fields 0 dll_file)
  list(GET fields 1 function)
  list(GET fields 2 status)
  string(REGEX REPLACE "\\.DLL$" "" dll ${dll_file})
  if(status STREQUAL "native")
    set(kind 0)
    set(stub nullptr)
    string(APPEND exports_${dll} "  ${function} = ${dll}.${function}\n")
  elseif(status STREQUAL "stub")
    set(kind 1)
    set(stub "reinterpret_cast<void*>(&tq58_stub_${function})")
    if(dll STREQUAL "MSVCRT")
      # cdecl: the caller takes its arguments off the stack. msvcrt sets errno as well.
      string(APPEND source "extern \"C\" unsigned long __cdecl tq58_stub_${function}() {\n"
                           "    *_errno() = kInvalidArgument;\n    return Fail();\n}\n")
      string(APPEND exports_${dll} "  ${function} = tq58_stub_${function}\n")
    else()
      if(NOT dll IN_LIST sizes_loaded)
        tq58_stdcall_sizes(${dll} sizes_${dll})
        list(APPEND sizes_loaded ${dll})
      endif()
      set(bytes "")
      foreach(symbol IN LISTS sizes_${dll})
        if(symbol MATCHES "_${function}@([0-9]+)$")
          set(bytes ${CMAKE_MATCH_1})
        endif()
      endforeach()
      if(bytes STREQUAL "")
        message(FATAL_ERROR "lib${dll}.a has no stdcall ${function}: its stub's arguments are unknown")
      endif()
      math(EXPR count "${bytes} / 4")
      set(arguments "")
      if(count GREATER 0)
        foreach(i RANGE 1 ${count})
          list(APPEND arguments "unsigned long")
        endforeach()
      endif()
      list(JOIN arguments ", " arguments)
      string(APPEND source "extern \"C\" unsigned long __stdcall tq58_stub_${function}(${arguments}) {\n"
                           "    return Fail();\n}\n")
      string(APPEND exports_${dll} "  ${function} = tq58_stub_${function}@${bytes}\n")
    endif()
  else()
    set(kind 2)
    set(stub nullptr)
  endif()
  string(APPEND entries "    {\"${dll_file}\", \"${function}\", ${kind}, ${stub}},\n")
endforeach()

string(APPEND source "
namespace {

struct Entry {
    const char* dll;
    const char* function;
    int status;  // 0 native, 1 stub, 2 missing
    void* stub;
};

const Entry kTable[] = {
${entries}};

bool SameName(const char* a, const char* b) {
    for (; *a != 0 && *b != 0; ++a, ++b) {
        const char x = *a >= 'a' && *a <= 'z' ? static_cast<char>(*a - 32) : *a;
        const char y = *b >= 'a' && *b <= 'z' ? static_cast<char>(*b - 32) : *b;
        if (x != y) return false;
    }
    return *a == *b;
}

}  // namespace

// GetProcAddress as Windows 98 SE answers it for its system DLLs: a function the table does not
// record as native or stub is not there.
extern \"C\" void* __stdcall tq58_GetProcAddress(void* module, const char* name) {
    if (reinterpret_cast<std::uintptr_t>(name) >> 16 == 0) return GetProcAddress(module, name);
    char path[260] = {};
    GetModuleFileNameA(module, path, sizeof path - 1);
    const char* file = std::strrchr(path, '\\\\') ? std::strrchr(path, '\\\\') + 1 : path;
    bool system = false;
    for (const Entry& entry : kTable) {
        if (!SameName(entry.dll, file)) continue;
        system = true;
        if (std::strcmp(entry.function, name) != 0) continue;
        if (entry.status == 0) return GetProcAddress(module, name);
        if (entry.status == 1) return entry.stub;
        break;
    }
    if (!system) return GetProcAddress(module, name);
    SetLastError(kProcNotFound);
    return nullptr;
}
")
# Written only when it changed, so that a configure run rebuilds nothing.
function(tq58_write_generated file content)
  file(WRITE ${file}.new "${content}")
  file(COPY_FILE ${file}.new ${file} ONLY_IF_DIFFERENT)
endfunction()
tq58_write_generated(${generated}/windows98_system.cpp "${source}")

add_custom_target(tq58_windows98_standins)
foreach(dll name IN ZIP_LISTS tq58_windows98_dlls tq58_windows98_names)
  set(def "LIBRARY ${name}.dll\nEXPORTS\n${exports_${dll}}")
  if(dll STREQUAL "KERNEL32")
    string(REGEX REPLACE "  GetProcAddress = KERNEL32.GetProcAddress\n"
           "  GetProcAddress = tq58_GetProcAddress@8\n" def "${def}")
  endif()
  tq58_write_generated(${generated}/${name}.def "${def}")
  set(target tq58_windows98_${name})
  add_library(${target} SHARED ${generated}/windows98_system.cpp ${generated}/${name}.def)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${name} PREFIX "" SUFFIX ".dll"
    RUNTIME_OUTPUT_DIRECTORY ${TQ58_WINDOWS98_STANDIN_DIR})
  target_compile_options(${target} PRIVATE -Wno-unused-parameter)
  target_link_options(${target} PRIVATE -static-libgcc -static-libstdc++)
  add_dependencies(tq58_windows98_standins ${target})
endforeach()
