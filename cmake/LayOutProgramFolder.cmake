# Lays out the program folder: settings file, address database and pictures.
# The settings file and the database are the user's once they exist: they are
# copied or generated only when absent, never overwritten.
if(NOT PROGRAM_DIR OR NOT DATA_DIR OR NOT MAKEDB)
  message(FATAL_ERROR "PROGRAM_DIR, DATA_DIR and MAKEDB are required")
endif()
file(MAKE_DIRECTORY "${PROGRAM_DIR}")

if(NOT EXISTS "${PROGRAM_DIR}/envalo.ini")
  file(COPY "${DATA_DIR}/envalo.ini" DESTINATION "${PROGRAM_DIR}")
endif()

if(NOT EXISTS "${PROGRAM_DIR}/Convert.mdb")
  execute_process(
    COMMAND "${MAKEDB}" "${PROGRAM_DIR}/Convert.mdb" "${DATA_DIR}/schema.sql" "${DATA_DIR}/sample.sql"
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Could not create ${PROGRAM_DIR}/Convert.mdb")
  endif()
endif()

# Pictures are the program's own data, not the user's: kept up to date.
if(EXISTS "${DATA_DIR}/images")
  file(COPY "${DATA_DIR}/images" DESTINATION "${PROGRAM_DIR}")
endif()
