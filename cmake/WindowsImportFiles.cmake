# What a Windows host's build needs beside a DLL, so that it can link against
# the DLL instead of loading it at run time:
#   <name>.def   the export table, written by the linker as it links the DLL
#   <name>.lib   an import library for Microsoft's linker, made from the .def
#                by LLVM's MinGW dlltool (MinGW linkers use lib<name>.dll.a,
#                which CMake writes anyway)
# Both land beside the DLL.
#
# Why LLVM's dlltool and not binutils': binutils' writes each import as a
# full object file without the mark that it is safe for SafeSEH, and
# Microsoft's 32-bit linker enforces SafeSEH by default, so linking against
# it fails (LNK2026) unless the host turns SafeSEH off. LLVM's writes the
# short import members that Microsoft's own lib.exe writes.
find_program(TSFILTERS_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-16 llvm-dlltool-15
             llvm-dlltool-14 DOC "LLVM's dlltool, for import libraries for Microsoft's linker")

function(tsfilters_windows_import_files target)
  if(NOT MINGW)
    return()
  endif()
  get_target_property(out_dir ${target} RUNTIME_OUTPUT_DIRECTORY)
  if(NOT out_dir)
    set(out_dir ${PROJECT_BINARY_DIR})
  endif()
  set(def ${out_dir}/${target}.def)
  target_link_options(${target} PRIVATE -Wl,--output-def,${def})
  if(NOT TSFILTERS_LLVM_DLLTOOL)
    message(STATUS "No llvm-dlltool (Debian: llvm): no ${target}.lib for Microsoft's linker")
    return()
  endif()
  # The .def names the exports as they are, undecorated; for 32-bit x86
  # dlltool gives the import symbols the leading underscore of 32-bit C
  # names (_HighPass), as Microsoft's compiler expects.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(machine i386)
  else()
    set(machine i386:x86-64)
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${TSFILTERS_LLVM_DLLTOOL} -m ${machine} -d ${def}
            -D $<TARGET_FILE_NAME:${target}> -l ${out_dir}/${target}.lib
    COMMENT "Import library ${target}.lib for Microsoft's linker"
    VERBATIM)
endfunction()
