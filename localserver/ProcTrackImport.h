#pragma once
// The imports of tracking events (page 7) and transfer numbers (page 6),
// bound to the Chinese or English event table by ProcTracking.cpp.
#include <string>
#include <vector>

#include "localserver/Procedures.h"

namespace localserver {

// {?=CALL cp_check_detail[_en]_add_excel(?,'no','date time','place','text','user','EXCEL',P,K)}
ProcResult TrackImportAdd(const std::string& table, ProcContext& ctx, const std::vector<ProcArg>& a);
// {?=CALL cp_check_detail[_en]_add_excel_no[_r](?,E,'no','transfer','date time','place','text',
//  'user','EXCEL',K,M[,'reference'])}
ProcResult TransferImportAdd(const std::string& table, ProcContext& ctx, const std::vector<ProcArg>& a);

}  // namespace localserver
