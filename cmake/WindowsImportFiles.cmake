# What a Windows host's build needs beside a DLL, so that it can link against
# the DLL instead of loading it at run time:
#   <name>.def   the export table, written by the linker as it links the DLL
#   <name>.lib   an import library for Microsoft's linker, made from the .def
#                by dlltool (MinGW linkers use lib<name>.dll.a, which CMake
#                writes anyway)
# Both land beside the DLL.
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
  # 32-bit C names carry a leading underscore in object files (_HighPass)
  # but none in the export table; dlltool's i386 default adds it to the
  # symbols of the import library only, which is what the .def's names need.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(machine i386)
  else()
    set(machine i386:x86-64)
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_DLLTOOL} --machine ${machine} --input-def ${def}
            --dllname $<TARGET_FILE_NAME:${target}> --output-lib ${out_dir}/${target}.lib
    COMMENT "Import library ${target}.lib for Microsoft's linker"
    VERBATIM)
endfunction()
