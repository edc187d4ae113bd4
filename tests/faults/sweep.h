// What a fault sweep found: one line per run that went wrong, and the tally printed at the end
// of each sweep (runs tried, faults found).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "fault_table.h"

namespace setup::faults {

struct Sweep {
  std::string name;
  int runs = 0;
  int fired = 0;
  std::vector<std::string> faults;

  void Add(const Fault& f, const std::string& what) { faults.push_back(Describe(f) + ": " + what); }
  static std::string Describe(const Fault& f) {
    return std::string(f.sticky ? "every " : "") + (f.kind ? KindName(*f.kind) : "any call") +
           " call from #" + std::to_string(f.nth);
  }
  // Prints the tally and the first faults; returns the faults as one text for the assertion.
  std::string Report() const {
    std::printf("[ sweep    ] %s: %d runs tried, %d with the fault injected, %zu faults found\n",
                name.c_str(), runs, fired, faults.size());
    std::string text;
    for (const std::string& fault : faults) {
      std::printf("[ fault    ] %s\n", fault.substr(0, 400).c_str());
      if (text.size() < 4000) text += fault.substr(0, 400) + "\n";
    }
    return text;
  }
};

// The calls of one kind that a fault-free run makes, for every kind.
struct Lengths {
  int of[kKinds] = {};
  int all = 0;
};

}  // namespace setup::faults
