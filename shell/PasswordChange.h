#pragma once
// Changing the logged-in user's password: the checks of a new password typed
// in the password-change dialog, and the request that hands it to the server
// ("cp_man_main_mod_password").
//
// The new password travels the way the login sends it: trimmed of blanks,
// tabs, CR and LF, as GBK bytes (1 to 30 of them, every character with a GBK
// code), scrambled unchanged.  Only the SQL string literal of the character
// form has its single quotes doubled; the hexadecimal form needs no quoting.
// After the server took it, the link keeps the new password for the screen
// lock and the silent re-login.

#include <string>
#include <string_view>

class CLanguageTable;
class CServerLink;

// Language texts of the password change.
inline constexpr int kTextPasswordMismatch = 480020;   // the two entries differ
inline constexpr int kTextPasswordLength = 480021;     // under 4 characters or over 30 bytes
inline constexpr int kTextPasswordWeak = 480022;       // not a strong password
inline constexpr int kTextPasswordRefused = 480023;    // the server refused it (-2)
inline constexpr int kTextPasswordChanged = 480024;    // done
inline constexpr int kTextPasswordNoGbk = 480025;      // a character without a GBK code

// The longest password (GBK bytes) the login and the change accept.
inline constexpr size_t kMaxPasswordBytes = 30;

// The password as the login sends it: blanks, tabs, CR and LF cut from both
// ends.
std::u16string TrimPassword(std::u16string_view password);

// The message for a new password and its repetition, empty when both are
// acceptable.  Each failed rule adds its text and "\r\n":
//   - the two texts differ (exact comparison): 480020;
//   - a character of the trimmed password has no GBK code: 480025;
//   - with strong passwords required: 480022 unless IsStrongPassword finds the
//     GBK form strong; 480021 when the GBK form is over 30 bytes;
//   - otherwise 480021 when the trimmed password has fewer than 4 characters
//     or its GBK form is over 30 bytes.
std::u16string CheckNewPassword(std::u16string_view newPassword, std::u16string_view repeated,
                                bool strongRequired, const CLanguageTable& language);

// The GBK bytes of a password when every character has a GBK code, else an
// empty text with `ok` false.
std::string PasswordGbk(std::u16string_view password, bool& ok);

// The statement for the account (GBK), the character form and the
// hexadecimal form:
//   {?=CALL brantle.dbo.cp_man_main_mod_password('<account>','<chars>','',0x<hex>)}
// with the single quotes of the account and of the character form doubled.
std::string BuildPasswordChangeSql(std::string_view accountGbk, std::string_view charForm,
                                   std::string_view hexForm);

// Sends the new password of the logged-in user and shows the outcome: text
// 480024 when the server changed it (the link then keeps the new password),
// 480023 when it answered -2, text 20023 with the procedure's code for any
// other negative answer, and the link's last error text when the request
// failed or the reply holds no "List".  A password that cannot be sent
// (empty after trimming, over 30 bytes, a character without a GBK code)
// shows 480021 or 480025 and sends nothing.  True when the password was
// changed.  The request runs through platform::WaitForWork: called from the
// window, the window keeps painting while it waits.
bool ChangePasswordOnServer(CServerLink& link, std::u16string_view newPassword);
