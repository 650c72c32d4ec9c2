#pragma once
// Pickup dispatch without its windows: the statements of the two order
// lists and of one order, the reading of their replies, the information
// text of an order, the call that assigns or cancels a courier, and the
// fields texts of the notices to the courier and the customer.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CLanguageTable;

namespace pickup {

// "%d.%d.%d" of the day `daysBack` calendar days before the date.
std::string DateLimit(int year, int month, int day, int daysBack);
// The timer of the auto refresh: the interval in milliseconds, 10 s when
// the interval is below 6 s.
int RefreshMilliseconds(int seconds);

// The list statements (GBK); station and courier name GBK, quotes doubled
// here.
std::string UnassignedSql(unsigned rows, std::string_view dateLimit, std::string_view station);
std::string AssignedSql(unsigned rows, std::string_view dateLimit, std::string_view station,
                        std::optional<std::string_view> courier);
std::span<const uint32_t> UnassignedTypes();
std::span<const uint32_t> AssignedTypes();

// One list row: the order id and the cells in grid order.
struct OrderRow {
  int32_t iid = 0;
  std::vector<std::u16string> cells;
};
// False when the reply has no "List"; rows of the unassigned (17 cells) or
// assigned (22 cells) list.
bool ReadOrderRows(std::string_view reply, bool assigned, std::vector<OrderRow>& rows);

// One order as the dispatch dialog shows it (texts UTF-16).
struct PickupOrder {
  int32_t iid = 0;
  int32_t icid = 0;
  int32_t irid = 0;
  std::u16string taker, takeTime, planner, planTime, remark, receiver, receiverAddress,
      receiverPhone, sender, senderAddress, senderPhone, goods, number, account, customer,
      messengerId, date, department;
  int32_t planCount = 0;
  int32_t quantity = 0;
  double weight = 0;
};
std::string OrderSql(uint32_t iid);
std::span<const uint32_t> OrderTypes();
// False when the reply has no row.
bool ReadOrder(std::string_view reply, uint32_t iid, PickupOrder& order);
// The information text: goods and quantity, weight, then the take and plan
// lines for times that are set (first character '2' or above).
std::u16string InformationText(const PickupOrder& order, const CLanguageTable& language);

// The call that assigns the courier (an empty taker cancels the pickup).
std::string MarshalSql(int32_t iid, std::u16string_view taker, std::string_view userGbk,
                       std::u16string_view remark, std::u16string_view sender,
                       std::u16string_view senderAddress, std::u16string_view senderPhone);

// "%d-%d %02u:%02u" of month, day, hour, minute.
std::string NoticeTime(int month, int day, int hour, int minute);
// The courier's dispatch notice: waybill number, sender, sender address,
// sender phone, receiver, receiver address, receiver phone, user, time,
// remark (500 bytes), taker, customer account, customer name.
std::string DispatchFields(const PickupOrder& order, std::string_view userGbk, std::string_view time);
// A notice written in the messenger editor: time, description (500 bytes),
// status, recipient account and name.
std::string NoticeFields(std::string_view time, std::u16string_view description,
                         std::u16string_view status, std::u16string_view account,
                         std::u16string_view name);

}  // namespace pickup
