// Oracle error numbers raised by the simulated server and the texts oerhms
// gives for them.
#pragma once

#include <cstddef>
#include <string>

namespace kestrin::sim {

// An Oracle error: its number and, for errors found in a statement's text,
// the offset of the character where the server gave up.
struct SqlError {
  int code = 0;
  std::size_t offset = 0;
};

[[noreturn]] inline void Fail(int code, std::size_t offset = 0) {
  throw SqlError{code, offset};
}

// The message of an error number without the "ORA-nnnnn: " prefix, or
// nullptr for a number the server has no message for.
const char* ErrorMessage(int code);

// The text oerhms writes: "ORA-nnnnn: message\n", or the message-not-found
// text for an unknown number.
std::string ErrorText(int code);

// Error numbers used in more than one place.
namespace ora {
inline constexpr int kUniqueViolated = 1;
inline constexpr int kMaxCursors = 1000;
inline constexpr int kInvalidSql = 900;
inline constexpr int kInvalidTableName = 903;
inline constexpr int kInvalidColumn = 904;
inline constexpr int kMissingKeyword = 905;
inline constexpr int kMissingLeftParen = 906;
inline constexpr int kMissingRightParen = 907;
inline constexpr int kArgumentCount = 909;
inline constexpr int kLengthTooLong = 910;
inline constexpr int kInvalidCharacter = 911;
inline constexpr int kTooManyValues = 913;
inline constexpr int kAmbiguousColumn = 918;
inline constexpr int kUnexpectedEnd = 921;
inline constexpr int kFromExpected = 923;
inline constexpr int kInconsistentTypes = 932;
inline constexpr int kNotProperlyEnded = 933;
inline constexpr int kGroupFunctionNotAllowed = 934;
inline constexpr int kMissingExpression = 936;
inline constexpr int kNotSingleGroup = 937;
inline constexpr int kTableNotFound = 942;
inline constexpr int kNotEnoughValues = 947;
inline constexpr int kNameInUse = 955;
inline constexpr int kDuplicateColumn = 957;
inline constexpr int kIdentifierTooLong = 972;
inline constexpr int kNotGroupByExpression = 979;
inline constexpr int kInvalidCursor = 1001;
inline constexpr int kFetchOutOfSequence = 1002;
inline constexpr int kNoStatementParsed = 1003;
inline constexpr int kDefaultUserName = 1004;
inline constexpr int kNullPassword = 1005;
inline constexpr int kNotInSelectList = 1007;
inline constexpr int kNotLoggedOn = 1012;
inline constexpr int kLogonDenied = 1017;
inline constexpr int kNullIntoNotNull = 1400;
inline constexpr int kValueTooLarge = 1401;
inline constexpr int kNoDataFound = 1403;
inline constexpr int kColumnIsNull = 1405;
inline constexpr int kColumnTruncated = 1406;
inline constexpr int kAlreadyIndexed = 1408;
inline constexpr int kIndexNotFound = 1418;
inline constexpr int kConnectByLoop = 1436;
inline constexpr int kJoinWithConnectBy = 1437;
inline constexpr int kDuplicateKeys = 1452;
inline constexpr int kIntegerOverflow = 1455;
inline constexpr int kBadConversion = 1460;
inline constexpr int kDivisorZero = 1476;
inline constexpr int kConcatTooLong = 1489;
inline constexpr int kInvalidNumber = 1722;
inline constexpr int kCommentNotEnded = 1742;
inline constexpr int kQuoteNotEnded = 1756;
inline constexpr int kOrderByItem = 1785;
inline constexpr int kColumnCount = 1789;
inline constexpr int kSameDatatype = 1790;
inline constexpr int kNotSelected = 1791;
inline constexpr int kDateFormat = 1821;
inline constexpr int kDateNotValid = 1858;
inline constexpr int kUserNotFound = 1918;
inline constexpr int kOutOfMemory = 4030;
inline constexpr int kUnresolvedService = 12154;
}  // namespace ora

}  // namespace kestrin::sim
