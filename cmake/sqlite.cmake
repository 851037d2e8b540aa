# The official SQLite amalgamation, fetched by scripts/fetch-sqlite.sh from
# the npm registry and checked against pinned hashes; never committed.
set(SQLITE_DIR ${CMAKE_SOURCE_DIR}/third_party/sqlite)
execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/fetch-sqlite.sh RESULT_VARIABLE sqlite_fetch)
if(NOT sqlite_fetch EQUAL 0)
  message(FATAL_ERROR "Could not fetch the SQLite amalgamation")
endif()

add_library(sqlite3 STATIC ${SQLITE_DIR}/sqlite3.c)
target_include_directories(sqlite3 SYSTEM PUBLIC ${SQLITE_DIR})
target_compile_definitions(sqlite3 PRIVATE
  SQLITE_THREADSAFE=1              # serialized
  SQLITE_OMIT_LOAD_EXTENSION=1
  SQLITE_MAX_WORKER_THREADS=0
  SQLITE_DEFAULT_WORKER_THREADS=0)
target_compile_options(sqlite3 PRIVATE -w)
