# kelmo_warnings(target): the project's warning set, errors in CI.
function(kelmo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(KELMO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# kelmo_library(name SOURCES...): one static library per source folder.
function(kelmo_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  kelmo_warnings(${name})
endfunction()

# kelmo_test(name SOURCES... LIBS libs...): a GoogleTest executable registered with CTest.
# Tests that start threads get the label "threads" so that CI runs them under ThreadSanitizer.
function(kelmo_test name)
  cmake_parse_arguments(T "THREADS" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  kelmo_warnings(${name})
  # One label each: a list here would be split into property names by the discovery script.
  set(label unit)
  if(T_THREADS)
    set(label threads)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS ${label}
                       ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endfunction()

# kelmo_folder_library(name DEPS libs... [NOT_ON_WINDOWS files...]): the library of one
# source folder, built from every .cpp in it (an interface library while the folder holds
# only headers). Files named *_windows.cpp are built for Windows only; NOT_ON_WINDOWS
# names the files that Windows builds leave out.
function(kelmo_folder_library name)
  cmake_parse_arguments(L "" "" "DEPS;NOT_ON_WINDOWS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(WIN32)
    foreach(f ${L_NOT_ON_WINDOWS})
      list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${f})
    endforeach()
  else()
    list(FILTER sources EXCLUDE REGEX "_windows\\.cpp$")
  endif()
  if(sources)
    kelmo_library(${name} ${sources})
    target_link_libraries(${name} PUBLIC ${L_DEPS} Threads::Threads)
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${L_DEPS})
  endif()
endfunction()

# kelmo_folder_tests(LIBS libs...): one test executable per *_test.cpp in the folder.
# A file named *_threads_test.cpp starts threads: it is labelled for ThreadSanitizer.
function(kelmo_folder_tests)
  cmake_parse_arguments(F "" "" "LIBS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  foreach(t ${tests})
    get_filename_component(stem ${t} NAME_WE)
    set(threads "")
    if(stem MATCHES "_threads_test$")
      set(threads THREADS)
    endif()
    kelmo_test(${folder}_${stem} ${threads} SOURCES ${t} LIBS ${F_LIBS})
    target_compile_definitions(${folder}_${stem} PRIVATE
      KELMO_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data"
      KELMO_BINARY_DIR="${PROJECT_BINARY_DIR}")
  endforeach()
endfunction()
