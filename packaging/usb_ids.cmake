# Writes the camera list and the udev rule for the cameras named in IDS ("vvvv:pppp,...").
#   duovue_write_usb_files(<ids> <list file> <rule file>)
# Also runs as a script: cmake -DIDS=... -DLIST=... -DRULE=... -P usb_ids.cmake
function(duovue_write_usb_files ids list_file rule_file)
    string(REPLACE "," ";" entries "${ids}")
    set(pairs "")
    set(rules "")
    foreach(entry IN LISTS entries)
        string(STRIP "${entry}" entry)
        if(entry STREQUAL "")
            continue()
        endif()
        string(TOLOWER "${entry}" entry)
        if(NOT entry MATCHES "^([0-9a-f][0-9a-f][0-9a-f][0-9a-f]):([0-9a-f][0-9a-f][0-9a-f][0-9a-f])$")
            message(FATAL_ERROR "DUOVUE_USB_IDS: '${entry}' is not a vendor:product pair "
                                "(four hexadecimal digits each, as lsusb shows them)")
        endif()
        string(APPEND pairs "${entry}\n")
        string(APPEND rules "SUBSYSTEM==\"usb\", ENV{DEVTYPE}==\"usb_device\", "
                            "ATTR{idVendor}==\"${CMAKE_MATCH_1}\", ATTR{idProduct}==\"${CMAKE_MATCH_2}\", "
                            "MODE=\"0660\", GROUP=\"plugdev\", TAG+=\"uaccess\"\n")
    endforeach()

    set(how "# To add a camera: copy this file to /etc/udev/rules.d/ (the copy takes its place),
# find the camera's ids with lsusb (the two hexadecimal numbers after \"ID\", vendor:product),
# add a line like the example below with those ids, put them in /etc/duovue/usb-ids too, and
# reload: sudo udevadm control --reload && sudo udevadm trigger
# Then unplug the camera and plug it in again.\n")
    file(WRITE "${list_file}"
         "# Cameras the Duovue software may open: one vendor:product pair a line, as lsusb shows\n"
         "# them. Lines starting with # are comments. A user's own list in\n"
         "# ~/.config/duovue/usb-ids, or the variable DUOVUE_USB_IDS=vvvv:pppp,vvvv:pppp, comes\n"
         "# first. Every camera listed here also needs the udev rule 70-duovue.rules.\n"
         "${pairs}")
    string(CONCAT head "# Duovue cameras: the logged-in user (uaccess) and the plugdev group may open them.\n"
             "# The file sorts before 73-seat-late.rules, which turns uaccess into access rights.\n")
    if(pairs STREQUAL "")
        file(WRITE "${rule_file}"
             "${head}#\n# No camera ids were given when this software was built.\n${how}#\n"
             "#SUBSYSTEM==\"usb\", ENV{DEVTYPE}==\"usb_device\", ATTR{idVendor}==\"vvvv\", "
             "ATTR{idProduct}==\"pppp\", MODE=\"0660\", GROUP=\"plugdev\", TAG+=\"uaccess\"\n")
    else()
        file(WRITE "${rule_file}" "${head}${rules}")
    endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    duovue_write_usb_files("${IDS}" "${LIST}" "${RULE}")
endif()
