# posix_platform.cmake: the POSIX platform layer's sources, for the native program and for the
# host build of the INI probe that the Windows build holds against its own.
set(MAILTO_POSIX_PLATFORM platform/posix.cpp platform/posix_ini.cpp platform/posix_spawn.cpp
                          platform/posix_dialogs.cpp platform/posix_paths.cpp
                          platform/dialog_session.cpp platform/dialog_text.cpp
                          platform/posix_file_times.cpp)
