#pragma once
// ModuleLink: what every I/O module of the family has - its address and the
// three configuration codes it reports - and the module commands common to
// all of them.
//
// Principles of operation
// - A module command is one ASCII line: "$" or "#", the two-digit hexadecimal
//   address, a command code, CR. The module answers one line beginning with
//   "!" (or ">" for a command that only acknowledges) and ending with CR.
//   ModuleProtocol::ModuleCommand sends it and checks that form; a module's
//   error answer begins with "?" and fails like a time-out does.
// - Addresses and codes are texts of at most two characters: setting one keeps
//   the first two characters of what is given.
// - The configuration codes are cached: the "$AA2" read happens only while
//   the text asked for is empty. A failed read leaves the codes unchanged.
// - A reply too short for the positions read yields shorter or empty texts,
//   never a read beyond the reply.
// - The port is borrowed, never owned or closed. Every command fails (false)
//   without a port. Not safe for simultaneous use: one thread at a time, the
//   one that uses the port.

#include <string>
#include <string_view>

class TaloComPort;

class ModuleLink {
 public:
  ModuleLink(TaloComPort* port, std::string_view address);
  virtual ~ModuleLink() = default;
  ModuleLink(const ModuleLink&) = delete;
  ModuleLink& operator=(const ModuleLink&) = delete;

  // Setters (the previous address is kept by SetAddress).
  virtual void SetAddress(std::string_view address);
  virtual void SetTypeCode(std::string_view code);
  virtual void SetBaudCode(std::string_view code);
  virtual void SetDataFormat(std::string_view format);
  // Bits of the data format from "0"/"1" characters, highest bit first.
  virtual void SetFormatBits1To0(std::string_view bits);
  virtual void SetFormatBit2(std::string_view bit);
  virtual void SetFormatBits5To2(std::string_view bits);
  virtual void SetFormatBit6(std::string_view bit);
  virtual void SetFormatBit7(std::string_view bit);
  virtual void SetFormatBit2B(std::string_view bit);  // a second entry for bit 2
  // Clears the bit (0 to 7) of the data format and sets it when bit text
  // begins with "1"; the result is stored as two upper-case hex digits.
  virtual void SetFormatBit(int bit, std::string_view text);

  // Getters; each reads the configuration first while its text is empty.
  virtual bool GetTypeCode(std::string& out);
  virtual bool GetBaudCode(std::string& out);
  virtual bool GetFormatBits1To0(std::string& out);
  virtual bool GetFormatBit2(std::string& out);
  virtual bool GetFormatBits5To2(std::string& out);
  virtual bool GetFormatBit6(std::string& out);
  virtual bool GetFormatBit7(std::string& out);
  virtual bool GetFormatBit2B(std::string& out);  // a second entry for bit 2
  // "1" or "0" for the bit; false when the data format is unknown or the bit
  // is outside 0 to 7.
  virtual bool GetFormatBit(int bit, std::string& out);

  // "$AA2": type, baud and data format codes from "!AATTCCFF".
  [[nodiscard]] bool ReadConfiguration();
  // "#AAOL": true when a valid reply came. Ends the module simulation.
  bool SendOL();

  const std::string& ModuleAddress() const { return Address; }
  const std::string& PreviousAddress() const { return Previous; }
  const std::string& TypeCode() const { return Type; }
  const std::string& BaudCode() const { return Baud; }
  const std::string& DataFormat() const { return Format; }
  TaloComPort* Port() const { return ComPort; }

 private:
  // Bits from the characters of text, the first character to the highest bit.
  void SetBits(int highest, int count, std::string_view text);
  bool GetBits(int highest, int count, std::string& out);

  std::string Address;
  std::string Previous;
  std::string Type;
  std::string Baud;
  std::string Format;
  TaloComPort* ComPort;
};
