# Shared compile settings and helpers for every target of the project.

add_library(morvane_options INTERFACE)
target_compile_options(morvane_options INTERFACE -Wall -Wextra -Wpedantic)
if(MORVANE_WERROR)
  target_compile_options(morvane_options INTERFACE -Werror)
endif()
target_compile_definitions(morvane_options INTERFACE
  QT_NO_KEYWORDS QT_NO_CAST_FROM_BYTEARRAY QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)

if(MORVANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(MORVANE_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# morvane_library(NAME DIR DEPS...): one static library from every source of a folder.
# Sources are globbed so that a new unit needs no edit here.
function(morvane_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;DEPS" ${ARGN})
  set(sources)
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h ${dir}/*.qrc)
    list(APPEND sources ${found})
  endforeach()
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  set(compiled ${sources})
  list(FILTER compiled INCLUDE REGEX "\\.(cpp|qrc)$")
  if(compiled)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC morvane_options ${ARG_DEPS})
  else()
    # A folder whose first unit has not landed yet: keep the name usable.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE morvane_options ${ARG_DEPS})
  endif()
endfunction()

# morvane_test(FOLDER DEPS...): one GoogleTest executable of every source in tests/FOLDER,
# each test registered with CTest on its own so that ctest -j runs them in parallel.
function(morvane_test folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.h)
  set(compiled ${sources})
  list(FILTER compiled INCLUDE REGEX "\\.cpp$")
  if(NOT compiled)
    return()
  endif()
  add_executable(tests_${folder} ${sources})
  target_link_libraries(tests_${folder} PRIVATE morvane_testsupport ${ARG_DEPS})
  gtest_discover_tests(tests_${folder}
    DISCOVERY_TIMEOUT 120
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;MORVANE_AUDIO_DEVICE=null;MORVANE_SOURCE_DIR=${PROJECT_SOURCE_DIR};MORVANE_BINARY_DIR=${PROJECT_BINARY_DIR}"
               TIMEOUT 300)
endfunction()
