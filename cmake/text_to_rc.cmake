# Writes INPUT as string 189 of a resource script: lines joined by CR LF,
# backslashes and quotes escaped for the resource compiler.
file(READ ${INPUT} text)
string(REGEX REPLACE "\n+$" "" text "${text}")
string(REPLACE "\\" "\\\\" text "${text}")
string(REPLACE "\"" "\"\"" text "${text}")
string(REPLACE "\n" "\\r\\n" text "${text}")
file(WRITE ${OUTPUT} "STRINGTABLE\nBEGIN\n    IDS_LICENCE, \"${text}\"\nEND\n")
