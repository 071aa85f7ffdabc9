# Makes the manual page of envalo-cli from its --help, so that the two never differ: the
# help goes into the template's preformatted section, made safe for roff.
if(NOT CLI OR NOT TEMPLATE OR NOT OUTPUT)
  message(FATAL_ERROR "CLI, TEMPLATE and OUTPUT are required")
endif()
execute_process(COMMAND "${CLI}" --help OUTPUT_VARIABLE help RESULT_VARIABLE result
                ENCODING UTF-8)
if(NOT result EQUAL 0 OR help STREQUAL "")
  message(FATAL_ERROR "${CLI} --help failed")
endif()
string(REGEX REPLACE "\n$" "" help "${help}")
# roff: a backslash is \e, a minus sign \-, and a line starting with a dot or an apostrophe
# would be a request, so \& goes before it.
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
set(ENVALO_HELP "${help}")
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
