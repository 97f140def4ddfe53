# Run by cpack after it makes the packages. cpack gives the three members of
# a Debian package's ar archive the modes of the files it made them from,
# which follow the umask; they are set here to 100644, as dpkg-deb writes
# them, so that the package's bytes do not depend on the umask. An ar member
# header is 60 ASCII bytes: its mode, in octal, is 8 bytes at offset 40, its
# size 10 bytes at offset 48; a member's data is padded to an even size.
set(mode_file "${CPACK_TOPLEVEL_DIRECTORY}/ar-member-mode")
file(WRITE "${mode_file}" "100644  ")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "[.]deb$")
    continue()
  endif()
  file(SIZE "${package}" package_size)
  set(offset 8) # after "!<arch>\n"
  while(offset LESS package_size)
    file(READ "${package}" header OFFSET ${offset} LIMIT 60)
    string(SUBSTRING "${header}" 48 10 member_size)
    string(STRIP "${member_size}" member_size)
    math(EXPR mode_offset "${offset} + 40")
    execute_process(COMMAND dd "of=${package}" bs=1 seek=${mode_offset} conv=notrunc status=none
                    INPUT_FILE "${mode_file}" COMMAND_ERROR_IS_FATAL ANY)
    math(EXPR offset "${offset} + 60 + ${member_size} + ${member_size} % 2")
  endwhile()
endforeach()
