target_sources(trvplatform PRIVATE
  kernel/lasterror.cpp
)
