find_package(SQLite3 REQUIRED)
target_link_libraries(trvplatform PRIVATE SQLite::SQLite3)
target_sources(trvplatform PRIVATE
  registry/names.cpp
  registry/connection.cpp
  registry/store.cpp
  registry/machine.cpp
  registry/transaction.cpp
  registry/keys.cpp
  registry/operations.cpp
  registry/wide.cpp
  registry/ansi.cpp
)
