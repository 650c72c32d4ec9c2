#pragma once
// What the template choice needs without a window: the names of one kind's
// templates on the server, and taking the chosen name as a slot's current
// template.

#include <string>
#include <vector>

#include "refdata/SqlRunner.h"

class CServerLink;
class CTemplateCache;

// The slot a menu command chooses the template of: 32813 label, 32815
// channel waybill, 32814 invoice; -1 for any other command.
int TemplateSlotOfCommand(int command);

// "SELECT cname FROM brantle.dbo.sys_model WHERE ckind='<kind>' ORDER BY
// cname" for the slot's kind; the non-empty names (at most 30 bytes each) in
// reply order, empty when the query fails.
std::vector<std::u16string> ListTemplateNames(const SqlRunner& run, int slot);

// The chosen name (at most 31 characters) becomes the slot's current
// template when it can be had: 1; an empty name or a template that cannot
// be fetched leaves the slot as it was: 0.
int TakeChosenTemplate(CTemplateCache& cache, CServerLink& link, const std::string& programFolder,
                       int slot, const std::u16string& chosen);
