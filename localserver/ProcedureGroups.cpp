#include "localserver/Procedures.h"

namespace localserver {

// One line per group of procedures (one Proc*.cpp each).
void RegisterAllProcedures(ProcedureRegistry& registry) {
  RegisterSystemProcedures(registry);
  RegisterWaybillProcedures(registry);
  RegisterWaybillFormProcedures(registry);
}

}  // namespace localserver
