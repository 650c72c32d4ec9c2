#pragma once
// What the bagging form needs of the application: the server link, the
// numbered settings texts, the settings files, the number checks, the
// number lists, the sounds and the weights.  The program hands the page an
// implementation over its application object (app/BaggingServices.h).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CServerLink;

class CBaggingServices {
 public:
  virtual ~CBaggingServices() = default;
  virtual CServerLink& Link() = 0;
  // Numbered settings text n (GBK); empty when not set.
  virtual std::string DictionaryText(int n) const = 0;
  // "DATA_SYS/<name>" after asking the server for a newer copy (at most
  // capacity - 2 bytes); 1 read, 0 not.
  virtual int ReadSysFile(std::string_view fileName, int32_t grade, std::string_view kind,
                          std::string& buffer, size_t capacity) = 0;
  virtual const std::string& ProgramFolder() const = 0;
  virtual std::u16string NormalizeNumber(std::u16string_view text) = 0;
  virtual int ShowRecordPrompts(std::u16string_view number, int context, int32_t customerId,
                                bool confirm) = 0;
  virtual int CheckRecordCode(int32_t recordId, std::u16string_view number, int numberField) = 0;
  virtual int ImportNumberList(std::vector<std::u16string>& target, std::u16string* path,
                               int numberKind) = 0;
  virtual void PlayResultSound(int index) = 0;
  virtual void SpeakWeight(int32_t grams) = 0;
  virtual int ChooseCommonPrompt(std::u16string& output) = 0;
  virtual char ParseDimensions(std::string_view text, int32_t& length, int32_t& width,
                               int32_t& height) const = 0;
  virtual int32_t VolumetricWeight(int32_t length, int32_t width, int32_t height,
                                   char classLetter) const = 0;
  // The destination's area number in the service kind ("%d"); empty when
  // either is unknown.
  virtual std::u16string AreaText(std::string_view kind, std::string_view destination) = 0;
};
