# Delay-loaded system libraries: an import library made with dlltool whose
# DLL is loaded at the first call of one of its functions, not at start-up.
# The network and certificate libraries are needed only by the update check,
# the multimedia library only for typing and the beep, and OLE only for a
# drop target, the accessibility layer and the shell, so starting the program
# loads (and maps into memory) none of them.
find_program(GW_DLLTOOL NAMES x86_64-w64-mingw32-dlltool REQUIRED)
find_program(GW_NM NAMES x86_64-w64-mingw32-nm REQUIRED)

# gw_delay_import(<target> <dll>): an imported library target that delay-loads
# <dll>.dll, made from the functions of the toolchain's lib<dll>.a.
function(gw_delay_import target dll)
  find_file(implib lib${dll}.a PATHS /usr/x86_64-w64-mingw32/lib NO_DEFAULT_PATH NO_CACHE REQUIRED)
  set(out ${CMAKE_BINARY_DIR}/delay-import)
  set(def ${out}/${dll}.def)
  set(lib ${out}/lib${dll}_delay.a)
  if(NOT EXISTS ${lib} OR ${implib} IS_NEWER_THAN ${lib})
    file(MAKE_DIRECTORY ${out})
    execute_process(COMMAND ${GW_NM} -g --defined-only ${implib}
                    OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
    # Functions have both "T name" and "I __imp_name"; data exports only the
    # latter, and they cannot be delay-loaded.
    string(REGEX MATCHALL "[0-9a-f]+ T [A-Za-z_][A-Za-z0-9_@]*" code "${symbols}")
    set(exports "")
    foreach(entry IN LISTS code)
      string(REGEX REPLACE "^[0-9a-f]+ T " "" name "${entry}")
      string(FIND "${symbols}" " I __imp_${name}\n" found)
      if(NOT found EQUAL -1)
        string(APPEND exports "  ${name}\n")
      endif()
    endforeach()
    file(WRITE ${def} "LIBRARY ${dll}.dll\nEXPORTS\n${exports}")
    execute_process(COMMAND ${GW_DLLTOOL} --input-def ${def} --dllname ${dll}.dll
                            --output-delaylib ${lib}
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
  add_library(${target} STATIC IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES IMPORTED_LOCATION ${lib}
                        INTERFACE_LINK_LIBRARIES delayimp)
endfunction()

foreach(dll ws2_32 crypt32 bcrypt wininet winhttp winmm ole32 oleaut32)
  if(NOT TARGET gw_delay_${dll})
    gw_delay_import(gw_delay_${dll} ${dll})
  endif()
endforeach()
