# Makes a MinGW delay-import library for one system DLL from its ordinary import library:
# every __imp_ symbol of the import library is an export of the DLL, and dlltool turns the list
# into a library whose calls load the DLL on first use (through the CRT's __delayLoadHelper2).
#   cmake -DNM=... -DDLLTOOL=... -DIMPLIB=libX.a -DDLL=X.dll -DDEF=X.def -DOUT=libX_delay.a -P MakeDelayLib.cmake
execute_process(COMMAND ${NM} --defined-only -g ${IMPLIB} OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${NM} cannot read ${IMPLIB}")
endif()
string(REGEX MATCHALL "__imp_[A-Za-z0-9_@?$]+" exports "${symbols}")
list(REMOVE_DUPLICATES exports)
list(TRANSFORM exports REPLACE "^__imp_" "")
list(SORT exports)
list(JOIN exports "\n" body)
file(WRITE ${DEF} "LIBRARY ${DLL}\nEXPORTS\n${body}\n")
execute_process(COMMAND ${DLLTOOL} --input-def ${DEF} --dllname ${DLL} --output-delaylib ${OUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${DLLTOOL} cannot make ${OUT}")
endif()
