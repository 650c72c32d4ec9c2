#pragma once
// A view host that gives a page the print doors of a test.

#include "print/PrintDoors.h"
#include "ui/ViewHost.h"

class DoorsHost : public CViewHost {
 public:
  explicit DoorsHost(CPrintDoors* doors) : doors_(doors) {}
  CPrintDoors* PrintDoors() override { return doors_; }

 private:
  CPrintDoors* doors_;
};
