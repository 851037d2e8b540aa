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
  SQLITE_DEFAULT_WORKER_THREADS=0
  # Reads and writes at an offset as a seek and a plain ReadFile/WriteFile
  # rather than one call with an OVERLAPPED offset: the same bytes in the
  # same order, but under Wine an OVERLAPPED call is a round trip to the
  # server (about 50 us against 3 us), and a transaction writes each page
  # it changes in three calls into the journal and one into the database.
  # A connection never shares its file handles, so the handle's position
  # has one user.
  SQLITE_WIN32_NO_OVERLAPPED=1)
target_compile_options(sqlite3 PRIVATE -w)
