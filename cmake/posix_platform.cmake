# posix_platform.cmake: the POSIX platform layer's sources, for the native program and for the
# host build of the INI probe that the Windows build holds against its own.
set(MAILTO_POSIX_PLATFORM
  platform/posix/posix.cpp
  platform/posix/posix_command_line.cpp
  platform/posix/posix_program_path.cpp
  platform/posix/posix_ini.cpp
  platform/posix/posix_spawn.cpp
  platform/posix/posix_dialogs.cpp
  platform/posix/posix_paths.cpp
  platform/posix/dialog_session.cpp
  platform/posix/dialog_text.cpp
  platform/posix/posix_file_times.cpp)
