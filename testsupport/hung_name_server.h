// A name server that never answers, standing in for the system's resolver
// while the object lives (through the test build's look-up hook): every
// look-up of a name waits until the object goes. Going, it lets them all
// return and waits (at most five seconds) until they have, so that no
// look-up outlives the test.
#pragma once

namespace testsupport {

class HungNameServer {
 public:
  HungNameServer();
  ~HungNameServer();
  HungNameServer(const HungNameServer&) = delete;
  HungNameServer& operator=(const HungNameServer&) = delete;

  // Look-ups that reached the server so far.
  int lookUpsSeen() const;
};

}  // namespace testsupport
