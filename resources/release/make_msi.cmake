# Builds the installer in the release folder:
#   cmake -DRELEASE=folder -DWXS=file -DMSI=name -P make_msi.cmake
# wixl makes the package; the settings file's component is then marked, in
# the package's Component table, permanent (msidbComponentAttributesPermanent,
# 16: uninstalling leaves it) and never overwritten (128: installing over an
# existing one, an upgrade included, leaves that one).
foreach(tool wixl msiinfo msibuild)
  find_program(${tool}_path ${tool} REQUIRED)
endforeach()
execute_process(COMMAND ${wixl_path} -a x64 -o ${MSI} ${WXS}
                WORKING_DIRECTORY ${RELEASE} RESULT_VARIABLE failed ERROR_VARIABLE wixl_messages)
if(failed)
  message(FATAL_ERROR "wixl: ${wixl_messages}")
endif()
execute_process(COMMAND ${msiinfo_path} export ${MSI} Component
                WORKING_DIRECTORY ${RELEASE} OUTPUT_VARIABLE table COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCH "\nSettings\t[^\t]*\t[^\t]*\t([0-9]+)\t" row "${table}")
if(NOT row)
  message(FATAL_ERROR "no Settings component in ${MSI}")
endif()
math(EXPR attributes "${CMAKE_MATCH_1} | 16 | 128")
string(REGEX REPLACE "(\nSettings\t[^\t]*\t[^\t]*\t)[0-9]+\t" "\\1${attributes}\t" table "${table}")
file(WRITE ${RELEASE}/Component.idt "${table}")
execute_process(COMMAND ${msibuild_path} ${MSI} -i Component.idt
                WORKING_DIRECTORY ${RELEASE} COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE ${RELEASE}/Component.idt)
