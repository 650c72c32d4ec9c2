#include "localserver/Procedures.h"

namespace localserver {

// One line per group of procedures (one Proc*.cpp each).
void RegisterAllProcedures(ProcedureRegistry& registry) {
  RegisterSystemProcedures(registry);
  RegisterWaybillProcedures(registry);
  RegisterWaybillFormProcedures(registry);
  RegisterPaymentProcedures(registry);
  RegisterTrackingProcedures(registry);
  RegisterRecordCheckProcedures(registry);
  RegisterHandOverProcedures(registry);
  RegisterPickupProcedures(registry);
  RegisterPictureProcedures(registry);
  RegisterAwbProcedures(registry);
  RegisterAttachmentProcedures(registry);
  RegisterBagProcedures(registry);
  RegisterBagSealProcedures(registry);
  RegisterAwbBagProcedures(registry);
  RegisterRecordPictureProcedures(registry);
  RegisterAwbStatusProcedures(registry);
}

}  // namespace localserver
