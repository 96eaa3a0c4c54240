target_sources(trvplatform PRIVATE
  kernel/lasterror.cpp
  kernel/handles.cpp
)
