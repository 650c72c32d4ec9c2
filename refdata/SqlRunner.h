#pragma once
// The SQL request as the reference loaders use it: the text and its column
// types go out, the reply body comes back into `reply`; the result is the
// body length (above 0) or the failure of the request.  Start-up hands in
// the server link; tests hand in a fake that records the texts.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

class CServerLink;

using SqlRunner =
    std::function<int(std::string_view sql, std::span<const uint32_t> types, std::string& reply)>;

// Runs the queries through the link, each into a reply buffer of its own.
SqlRunner LinkSqlRunner(CServerLink& link);

// Calls `row` with each object of the reply's "List" in order.
void ForEachReplyRow(std::string_view reply, const std::function<void(std::string_view)>& row);
