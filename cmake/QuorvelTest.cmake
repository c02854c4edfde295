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

# The server store's runs of the tests use a throw-away PostgreSQL cluster that a fixture starts
# and always stops. Without PostgreSQL's binaries those runs are left out, as configure says.
file(GLOB quorvel_initdb /usr/lib/postgresql/*/bin/initdb)
if(quorvel_initdb)
  string(MD5 quorvel_pg_tag "${CMAKE_BINARY_DIR}")
  string(SUBSTRING ${quorvel_pg_tag} 0 8 quorvel_pg_tag)
  # Short and world-traversable: the cluster runs as an unprivileged user, its socket lives here.
  set(QUORVEL_TEST_PG_DIR /tmp/quorvel-pg-${quorvel_pg_tag})
  add_test(NAME postgres_start
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/pg-cluster.sh start ${QUORVEL_TEST_PG_DIR})
  add_test(NAME postgres_stop
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/pg-cluster.sh stop ${QUORVEL_TEST_PG_DIR})
  set_tests_properties(postgres_start PROPERTIES FIXTURES_SETUP postgres LABELS server TIMEOUT 120)
  set_tests_properties(postgres_stop PROPERTIES FIXTURES_CLEANUP postgres LABELS server TIMEOUT 120)
else()
  message(STATUS "No PostgreSQL binaries installed: the server store's test runs are skipped")
endif()

# Runs the registered test `name` once more on the server store; the first run is the folder's.
function(quorvel_add_server_run name)
  set_tests_properties(${name} PROPERTIES LABELS folder)
  if(NOT QUORVEL_TEST_PG_DIR)
    return()
  endif()
  get_test_property(${name} ENVIRONMENT environment)
  get_test_property(${name} TIMEOUT timeout)
  add_test(NAME ${name}_server COMMAND ${name})
  set_tests_properties(${name}_server PROPERTIES
    ENVIRONMENT "${environment};QUORVEL_TEST_SERVER=${QUORVEL_TEST_PG_DIR}/connection;QUORVEL_PG_CLUSTER=${CMAKE_SOURCE_DIR}/scripts/pg-cluster.sh"
    TIMEOUT ${timeout} FIXTURES_REQUIRED postgres LABELS server)
endfunction()

# Lets a test run on the share stand (tests/shares): the stand is started before it and stopped
# after it, and the test finds it through QUORVEL_SHARE_STAND.
function(quorvel_use_share_stand test)
  set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED share_stand
    ENVIRONMENT_MODIFICATION "QUORVEL_SHARE_STAND=set:${CMAKE_BINARY_DIR}/share-stand")
endfunction()
