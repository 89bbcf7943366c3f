# The udev rule and the camera list written from the ids a build is given.
#   cmake -DWORK=<scratch folder> -P usb_ids_test.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../usb_ids.cmake)

function(expect_in file text)
    file(READ ${file} content)
    string(FIND "${content}" "${text}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${file} lacks '${text}':\n${content}")
    endif()
endfunction()

# Two cameras, given with blanks and capitals: one rule line each, lower-case ids.
duovue_write_usb_files(" 1D5C:0A15,abcd:0001 " ${WORK}/usb-ids ${WORK}/70-duovue.rules)
expect_in(${WORK}/70-duovue.rules
          "SUBSYSTEM==\"usb\", ENV{DEVTYPE}==\"usb_device\", ATTR{idVendor}==\"1d5c\", ATTR{idProduct}==\"0a15\", MODE=\"0660\", GROUP=\"plugdev\", TAG+=\"uaccess\"\n")
expect_in(${WORK}/70-duovue.rules "ATTR{idVendor}==\"abcd\", ATTR{idProduct}==\"0001\"")
expect_in(${WORK}/usb-ids "\n1d5c:0a15\nabcd:0001\n")
file(STRINGS ${WORK}/70-duovue.rules active REGEX "^[^#]")
list(LENGTH active count)
if(NOT count EQUAL 2)
    message(FATAL_ERROR "expected two rules, got: ${active}")
endif()

# None: a rule file with no active line that says how to add one.
duovue_write_usb_files("" ${WORK}/usb-ids ${WORK}/70-duovue.rules)
file(STRINGS ${WORK}/70-duovue.rules active REGEX "^[^#]")
if(active)
    message(FATAL_ERROR "a rule without ids: ${active}")
endif()
expect_in(${WORK}/70-duovue.rules "lsusb")

# A malformed pair stops the build.
execute_process(COMMAND ${CMAKE_COMMAND} -DIDS=1d5c:a15 -DLIST=${WORK}/x -DRULE=${WORK}/y
                        -P ${CMAKE_CURRENT_LIST_DIR}/../usb_ids.cmake
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE error)
if(result EQUAL 0 OR NOT error MATCHES "not a vendor:product pair")
    message(FATAL_ERROR "1d5c:a15 was accepted: ${error}")
endif()
