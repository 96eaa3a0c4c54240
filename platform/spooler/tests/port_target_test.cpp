#include "platform/spooler/port_target.h"

#include <gtest/gtest.h>

namespace trv::spooler {
namespace {

struct TargetCase {
  const char* name;
  const char* settings;
  TargetKind kind;
  const char* path;
  const char* host;
  unsigned port;
};

TEST(PortTarget, NamesAndSettingsLeadToTheirEndpoints) {
  const TargetCase cases[] = {
      {"FILE:", "", TargetKind::DocumentFile, "", "", 9100},
      {"file:", "", TargetKind::DocumentFile, "", "", 9100},
      {"FILE:", "file:C:\\out\\all.prn", TargetKind::File, "C:\\out\\all.prn", "", 9100},
      {"C:\\labels\\out.prn", "", TargetKind::File, "C:\\labels\\out.prn", "", 9100},
      {"/tmp/out.prn", "", TargetKind::File, "/tmp/out.prn", "", 9100},
      {"LPT1:", "", TargetKind::Device, "/dev/lp0", "", 9100},
      {"COM3:", "9600,n,8,1", TargetKind::Device, "/dev/ttyS2", "", 9100},
      {"USB001", "", TargetKind::Device, "/dev/usb/lp0", "", 9100},
      {"USB002", "device:/dev/usb/lp7", TargetKind::Device, "/dev/usb/lp7", "", 9100},
      {"IP_127.0.0.1", "", TargetKind::Tcp, "", "127.0.0.1", 9100},
      {"IP_127.0.0.1:6101", "", TargetKind::Tcp, "", "127.0.0.1", 6101},
      {"Shop floor", "tcp:localhost", TargetKind::Tcp, "", "localhost", 9100},
      {"Shop floor", "tcp:[::1]:9101", TargetKind::Tcp, "", "::1", 9101},
  };
  for (const TargetCase& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " / " + c.settings);
    PortTarget t;
    ASSERT_EQ(ResolvePortTarget(c.name, c.settings, &t), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(t.kind, c.kind);
    EXPECT_EQ(t.path, c.path);
    EXPECT_EQ(t.host, c.host);
    EXPECT_EQ(t.port, c.port);
  }
}

TEST(PortTarget, NamesThatLeadNowhereAreUnknownPorts) {
  const char* names[] = {"NE00:",  "LPT0:", "LPT1",      "COMX:",         "USB",
                         "FILE:X", "IP_",   "IP_host:0", "IP_host:70000", "IP_host:12ab"};
  for (const char* name : names) {
    PortTarget t;
    EXPECT_EQ(ResolvePortTarget(name, "", &t), static_cast<DWORD>(ERROR_UNKNOWN_PORT)) << name;
  }
  PortTarget t;
  EXPECT_EQ(ResolvePortTarget("X", "tcp:", &t), static_cast<DWORD>(ERROR_UNKNOWN_PORT));
}

}  // namespace
}  // namespace trv::spooler
