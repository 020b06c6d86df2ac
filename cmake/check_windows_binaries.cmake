# Checks of a Windows build that need no Windows to run, with the toolchain's objdump:
#
#   cmake -DOBJDUMP=<objdump> -DBUILD_DIR=<build> -DFORMAT=<pei-i386|pei-x86-64>
#         -DEXPORTS=<the driver's eleven exports> [-DPRODUCTS=<file names>]
#         -P check_windows_binaries.cmake
#
# EXPORTS and PRODUCTS are separated by commas.
#
# - every .exe and .dll of the build is of FORMAT (PE32 for pei-i386);
# - each imports only DLLs of Windows itself; test programs and the simulated driver
#   may also import the simulator's control library, kovra_sim.dll, and the programs
#   named in PRODUCTS, which users get, may not;
# - the simulated driver kovra_ox9162.dll exports exactly the eleven names, bare as
#   the maker's DLL has them ("OX9162_Open", not "_OX9162_Open@8"), and each build
#   without one export exactly the other ten.

foreach(variable OBJDUMP BUILD_DIR FORMAT EXPORTS)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "check_windows_binaries: ${variable} is not set")
    endif()
endforeach()

cmake_minimum_required(VERSION 3.21)

string(REPLACE "," ";" EXPORTS "${EXPORTS}")
string(REPLACE "," ";" PRODUCTS "${PRODUCTS}")

set(system_dlls
    advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ntdll.dll
    ole32.dll oleacc.dll oleaut32.dll shell32.dll shlwapi.dll user32.dll uxtheme.dll
    version.dll)
set(simulator_control kovra_sim.dll)

set(problems "")
macro(problem text)
    string(APPEND problems "  ${text}\n")
endmacro()

file(GLOB_RECURSE binaries LIST_DIRECTORIES false "${BUILD_DIR}/*.exe" "${BUILD_DIR}/*.dll")
list(FILTER binaries EXCLUDE REGEX "/(CMakeFiles|wine-prefix)/")
if(NOT binaries)
    message(FATAL_ERROR "check_windows_binaries: no .exe or .dll in ${BUILD_DIR}: build it first")
endif()

foreach(product IN LISTS PRODUCTS)
    set(found FALSE)
    foreach(binary IN LISTS binaries)
        get_filename_component(name "${binary}" NAME)
        if(name STREQUAL product)
            set(found TRUE)
        endif()
    endforeach()
    if(NOT found)
        problem("${product}: not built")
    endif()
endforeach()

set(drivers "")
foreach(binary IN LISTS binaries)
    file(RELATIVE_PATH shown "${BUILD_DIR}" "${binary}")
    get_filename_component(name "${binary}" NAME)
    execute_process(COMMAND ${OBJDUMP} -p "${binary}"
                    OUTPUT_VARIABLE dump ERROR_VARIABLE error RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        problem("${shown}: objdump failed: ${error}")
        continue()
    endif()

    if(NOT dump MATCHES "file format ([^\n]+)")
        problem("${shown}: no file format in objdump's output")
    elseif(NOT CMAKE_MATCH_1 STREQUAL FORMAT)
        problem("${shown}: ${CMAKE_MATCH_1}, not ${FORMAT}")
    endif()

    string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
    foreach(import IN LISTS imports)
        string(REGEX REPLACE "^DLL Name: " "" dll "${import}")
        string(TOLOWER "${dll}" dll)
        if(dll IN_LIST system_dlls OR dll MATCHES "^api-ms-win-")
            continue()
        endif()
        if(dll STREQUAL simulator_control AND NOT name IN_LIST PRODUCTS)
            continue()
        endif()
        problem("${shown}: imports ${dll}, which is not part of Windows")
    endforeach()

    if(name STREQUAL "kovra_ox9162.dll")
        list(APPEND drivers "${binary}")
        # The names of the export table: lines "\t[   0] OX9162_Open" after its heading.
        string(REGEX REPLACE ".*\\[Ordinal/Name Pointer\\] Table\n" "" table "${dump}")
        string(REGEX REPLACE "\n\n.*" "" table "${table}")
        # (No "[" may stay in a list element: CMake does not split a list inside brackets.)
        string(REGEX REPLACE "[ \t]*\\[ *[0-9]+\\] ([^\n]*)" "\\1" table "${table}")
        string(REPLACE "\n" ";" names "${table}")
        list(FILTER names EXCLUDE REGEX "^$")
        list(SORT names)
        set(expected ${EXPORTS})
        get_filename_component(folder "${binary}" DIRECTORY)
        get_filename_component(folder "${folder}" NAME)
        if(folder IN_LIST EXPORTS)
            list(REMOVE_ITEM expected ${folder})
        endif()
        list(SORT expected)
        if(NOT names STREQUAL expected)
            problem("${shown} exports [${names}], expected [${expected}]")
        endif()
    endif()
endforeach()

list(LENGTH binaries binaryCount)
list(LENGTH drivers driverCount)
list(LENGTH EXPORTS exportCount)
math(EXPR expectedDrivers "${exportCount} + 1")
if(NOT driverCount EQUAL expectedDrivers)
    problem("${driverCount} builds of kovra_ox9162.dll, expected ${expectedDrivers}")
endif()

if(problems)
    message(FATAL_ERROR "Windows binaries of ${BUILD_DIR}:\n${problems}")
endif()
message(STATUS "${binaryCount} binaries of ${FORMAT}, only Windows DLLs imported; "
               "${driverCount} driver builds with the bare export names")
