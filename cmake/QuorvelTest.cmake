# Registers one Qt Test executable with CTest: headless, private runtime folder, bounded time.
#   quorvel_add_test(NAME name SOURCES a.cpp ... LIBRARIES lib ... [TIMEOUT seconds])
function(quorvel_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBRARIES" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBRARIES})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(runtime "${CMAKE_BINARY_DIR}/test-runtime/${T_NAME}")
  file(MAKE_DIRECTORY "${runtime}")
  file(CHMOD "${runtime}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_RUNTIME_DIR=${runtime};HOME=${runtime};XDG_CONFIG_HOME=${runtime}/config;QUORVEL_BIN_DIR=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
endfunction()

# Lets a test run on the share stand (tests/shares): the stand is started before it and stopped
# after it, and the test finds it through QUORVEL_SHARE_STAND.
function(quorvel_use_share_stand test)
  set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED share_stand
    ENVIRONMENT_MODIFICATION "QUORVEL_SHARE_STAND=set:${CMAKE_BINARY_DIR}/share-stand")
endfunction()
