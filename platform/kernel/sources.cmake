target_sources(trvplatform PRIVATE
  kernel/lasterror.cpp
  kernel/handles.cpp
  kernel/strings.cpp
  kernel/machine.cpp
  kernel/files.cpp
  kernel/short_names.cpp
  kernel/modules.cpp
  kernel/system.cpp
  kernel/debug.cpp
  kernel/windows.cpp
  kernel/winhelp.cpp
  kernel/messagebox.cpp
  kernel/keyboard.cpp
)
