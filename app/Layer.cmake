# The database scripts in app/db are compiled into the program, which runs them to create the
# embedded database on first start and to bring an older one up to date.
set(scripts_source ${CMAKE_BINARY_DIR}/generated/app/DatabaseScripts.cpp)
file(GLOB migration_scripts CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/app/db/migrations/*.sql)
add_custom_command(
  OUTPUT ${scripts_source}
  COMMAND ${CMAKE_COMMAND} -DDIR=${CMAKE_SOURCE_DIR}/app/db -DOUT=${scripts_source}
          -P ${CMAKE_SOURCE_DIR}/app/db/EmbedScripts.cmake
  DEPENDS ${CMAKE_SOURCE_DIR}/app/db/schema.sql ${CMAKE_SOURCE_DIR}/app/db/procedures.sql
          ${CMAKE_SOURCE_DIR}/app/db/seed.sql ${migration_scripts}
          ${CMAKE_SOURCE_DIR}/app/db/EmbedScripts.cmake
  COMMENT "Embedding the database scripts")
list(APPEND LAYER_SOURCES ${scripts_source})
