target_sources(trvplatform PRIVATE
  spooler/endpoint_fd.cpp
  spooler/endpoint_tcp.cpp
  spooler/fd_io.cpp
  spooler/local_port.cpp
  spooler/monitor_text.cpp
  spooler/port_store.cpp
  spooler/port_target.cpp
  spooler/virtual_printer.cpp
)
