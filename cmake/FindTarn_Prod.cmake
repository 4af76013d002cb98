# FindTarn_Prod: the controller maker's SDK, its header Tarn_Prod.h and its library Tarn_Prod.
#
# Looks under these roots, in order: SCOPE_VENDOR_SDK_DIR, Tarn_Prod_ROOT (variable, then
# environment), CMAKE_PREFIX_PATH (variable, then environment), each as given and with usr/
# below it, so both an install prefix and the root of an unpacked Debian package work; then
# the system prefixes. The header is looked for in include/, the library in lib/<multiarch>,
# lib64 and lib. Tarn_Prod_FALLBACK_DIRS lists further folders searched last (the TarnScope
# package passes where it was built against the library). Setting Tarn_Prod_INCLUDE_DIR or
# Tarn_Prod_LIBRARY in the cache skips the search for it.
#
# Defines the imported target Tarn_Prod::Tarn_Prod with the library's real file and SONAME,
# so whatever links it records the SONAME, and Tarn_Prod_FOUND, Tarn_Prod_INCLUDE_DIR,
# Tarn_Prod_LIBRARY, Tarn_Prod_SONAME.

# Roots given by the user are also tried with usr/ below them; the system prefixes as they are.
set(_tarn_prod_user_roots ${SCOPE_VENDOR_SDK_DIR} ${Tarn_Prod_ROOT})
if(DEFINED ENV{Tarn_Prod_ROOT})
    file(TO_CMAKE_PATH "$ENV{Tarn_Prod_ROOT}" _tarn_prod_env)
    list(APPEND _tarn_prod_user_roots ${_tarn_prod_env})
endif()
list(APPEND _tarn_prod_user_roots ${CMAKE_PREFIX_PATH})
if(DEFINED ENV{CMAKE_PREFIX_PATH})
    file(TO_CMAKE_PATH "$ENV{CMAKE_PREFIX_PATH}" _tarn_prod_env)
    list(APPEND _tarn_prod_user_roots ${_tarn_prod_env})
endif()
set(_tarn_prod_bases)
foreach(_root IN LISTS _tarn_prod_user_roots)
    string(REGEX REPLACE "/+$" "" _root "${_root}")
    list(APPEND _tarn_prod_bases "${_root}" "${_root}/usr")
endforeach()
list(APPEND _tarn_prod_bases ${CMAKE_SYSTEM_PREFIX_PATH})

set(_tarn_prod_lib_suffixes lib64 lib)
if(CMAKE_LIBRARY_ARCHITECTURE)
    list(PREPEND _tarn_prod_lib_suffixes lib/${CMAKE_LIBRARY_ARCHITECTURE})
endif()

set(_tarn_prod_include_dirs)
set(_tarn_prod_library_dirs)
foreach(_base IN LISTS _tarn_prod_bases)
    list(APPEND _tarn_prod_include_dirs "${_base}/include")
    foreach(_suffix IN LISTS _tarn_prod_lib_suffixes)
        list(APPEND _tarn_prod_library_dirs "${_base}/${_suffix}")
    endforeach()
endforeach()
list(APPEND _tarn_prod_include_dirs ${Tarn_Prod_FALLBACK_DIRS})
list(APPEND _tarn_prod_library_dirs ${Tarn_Prod_FALLBACK_DIRS})
list(REMOVE_DUPLICATES _tarn_prod_include_dirs)
list(REMOVE_DUPLICATES _tarn_prod_library_dirs)

find_path(Tarn_Prod_INCLUDE_DIR Tarn_Prod.h PATHS ${_tarn_prod_include_dirs} NO_DEFAULT_PATH)
find_library(Tarn_Prod_LIBRARY NAMES Tarn_Prod PATHS ${_tarn_prod_library_dirs} NO_DEFAULT_PATH)

# What a failure names: the file and every folder it was looked for in.
set(_tarn_prod_reason "")
if(NOT Tarn_Prod_INCLUDE_DIR)
    list(JOIN _tarn_prod_include_dirs "\n    " _dirs)
    string(APPEND _tarn_prod_reason "\n  Tarn_Prod.h was not found in:\n    ${_dirs}")
endif()
if(NOT Tarn_Prod_LIBRARY)
    if(WIN32)
        set(_file "Tarn_Prod${CMAKE_IMPORT_LIBRARY_SUFFIX}")
    else()
        set(_file "${CMAKE_SHARED_LIBRARY_PREFIX}Tarn_Prod${CMAKE_SHARED_LIBRARY_SUFFIX}")
    endif()
    list(JOIN _tarn_prod_library_dirs "\n    " _dirs)
    string(APPEND _tarn_prod_reason "\n  ${_file} was not found in:\n    ${_dirs}")
endif()
if(_tarn_prod_reason)
    string(APPEND _tarn_prod_reason "\n  Point SCOPE_VENDOR_SDK_DIR or Tarn_Prod_ROOT at the folder"
        " that holds the SDK (include/ and lib/, or usr/), or add it to CMAKE_PREFIX_PATH,"
        " or set Tarn_Prod_INCLUDE_DIR and Tarn_Prod_LIBRARY.")
endif()

# The linker records a library's SONAME; read it so the target says what the kit will need.
set(Tarn_Prod_SONAME "")
if(Tarn_Prod_LIBRARY AND NOT WIN32)
    get_filename_component(_tarn_prod_real "${Tarn_Prod_LIBRARY}" REALPATH)
    find_program(Tarn_Prod_OBJDUMP NAMES objdump HINTS "${CMAKE_OBJDUMP}")
    mark_as_advanced(Tarn_Prod_OBJDUMP)
    if(Tarn_Prod_OBJDUMP)
        execute_process(COMMAND "${Tarn_Prod_OBJDUMP}" -p "${_tarn_prod_real}"
            OUTPUT_VARIABLE _tarn_prod_headers ERROR_QUIET)
        if(_tarn_prod_headers MATCHES "SONAME +([^ \n]+)")
            set(Tarn_Prod_SONAME "${CMAKE_MATCH_1}")
        endif()
    endif()
endif()

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Tarn_Prod
    REQUIRED_VARS Tarn_Prod_LIBRARY Tarn_Prod_INCLUDE_DIR
    REASON_FAILURE_MESSAGE "${_tarn_prod_reason}")

if(Tarn_Prod_FOUND AND NOT TARGET Tarn_Prod::Tarn_Prod)
    add_library(Tarn_Prod::Tarn_Prod SHARED IMPORTED)
    set_target_properties(Tarn_Prod::Tarn_Prod PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES "${Tarn_Prod_INCLUDE_DIR}")
    if(WIN32)
        set_target_properties(Tarn_Prod::Tarn_Prod PROPERTIES IMPORTED_IMPLIB "${Tarn_Prod_LIBRARY}")
    elseif(Tarn_Prod_SONAME)
        set_target_properties(Tarn_Prod::Tarn_Prod PROPERTIES
            IMPORTED_LOCATION "${_tarn_prod_real}"
            IMPORTED_SONAME "${Tarn_Prod_SONAME}")
    else()
        # Without a SONAME the linker would record the path it was given; -lTarn_Prod
        # records the plain name instead.
        set_target_properties(Tarn_Prod::Tarn_Prod PROPERTIES
            IMPORTED_LOCATION "${Tarn_Prod_LIBRARY}"
            IMPORTED_NO_SONAME TRUE)
    endif()
endif()

mark_as_advanced(Tarn_Prod_INCLUDE_DIR Tarn_Prod_LIBRARY)
unset(_tarn_prod_user_roots)
unset(_tarn_prod_bases)
unset(_tarn_prod_env)
unset(_tarn_prod_lib_suffixes)
unset(_tarn_prod_include_dirs)
unset(_tarn_prod_library_dirs)
unset(_tarn_prod_reason)
unset(_tarn_prod_headers)
unset(_tarn_prod_real)
unset(_root)
unset(_base)
unset(_suffix)
unset(_dirs)
unset(_file)
