# tarvel_add_library(name SOURCES ... LIBS ...): one library per src/ folder.
function(tarvel_add_library name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${A_LIBS})
endfunction()

# tarvel_add_test(name SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s]): one QtTest executable,
# run headless through CTest.
function(tarvel_add_test name)
  cmake_parse_arguments(A "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${A_LIBS})
  target_compile_definitions(${name} PRIVATE
    TARVEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    TARVEL_FIXTURES="${PROJECT_SOURCE_DIR}/tests/fixtures")
  add_test(NAME ${name} COMMAND ${name})
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${A_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false"
    LABELS "${A_LABELS}")
endfunction()
