// Every error the database reports, each code and message named once.
//
// Codes 200 to 208 are the dialect's and column resolution's, 2000 to 2008
// the table store's and the dialect's refusals; this engine adds 2009 (the
// file cannot be created, opened or written), 2010 (a damaged page or catalog
// met during an operation) and 2011 (a temporary sort stream failed). A "%s"
// in a message marks a part the caller supplies (a table, column or token),
// filled in order. An operation clears the error first; the first failure
// sets code and message together.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace tess::db {

struct Status {
  int code = 0;
  std::string message;
  bool ok() const { return code == 0; }
};

struct ErrorText {
  int code;
  std::string_view message;
};

// The status of `error` with each "%s" replaced by the next of `parts`.
Status Error(const ErrorText& error, std::initializer_list<std::string_view> parts = {});

// Parser: syntax.
inline constexpr ErrorText kExpectingCommaOrCloseAfterColumn{200, "Expecting ',' or ')'"};
inline constexpr ErrorText kExpectedOpenParen{200, "Expected '('"};
inline constexpr ErrorText kExpectedCloseParen{200, "Expected ')'"};
inline constexpr ErrorText kExpectedSelect{200, "Expected 'SELECT'"};
inline constexpr ErrorText kExpectingComma{200, "Expecting ','"};
inline constexpr ErrorText kExpectingBy{200, "Expecting 'BY'"};
inline constexpr ErrorText kExpectingOpenParen{200, "Expecting '('"};
inline constexpr ErrorText kExpectingKey{200, "Expecting 'KEY'"};
inline constexpr ErrorText kExpectingCloseParen{200, "Expecting ')'"};
inline constexpr ErrorText kExpectingFieldType{200, "Expecting field type"};
inline constexpr ErrorText kExpectingNull{200, "Expecting 'NULL'"};
inline constexpr ErrorText kExpectedAdd{200, "Expected 'ADD'"};
inline constexpr ErrorText kExpectingSet{200, "Expecting 'SET'"};
inline constexpr ErrorText kExpectingEquals{200, "Expecting '='"};
inline constexpr ErrorText kExpectingFrom{200, "Expecting 'FROM'"};
inline constexpr ErrorText kExpectingInto{200, "Expecting 'INTO'"};
inline constexpr ErrorText kExpectingValues{200, "Expecting 'VALUES'"};
// Refusals of text the dialect would otherwise skip or misread.
inline constexpr ErrorText kExpectingTable{200, "Expecting 'TABLE'"};
inline constexpr ErrorText kExpectingWhere{200, "Expecting 'WHERE'"};
inline constexpr ErrorText kExpectingAndOr{200, "Expecting 'AND' or 'OR'"};

// Parser: names and forms.
inline constexpr ErrorText kInvalidColumnTableIdentifier{201, "Invalid column/table identifier"};
inline constexpr ErrorText kInvalidOperator{201, "Invalid operator %s"};
inline constexpr ErrorText kQuotesExpectedAfterLike{201, "Quotes expected after LIKE operation"};
inline constexpr ErrorText kInvalidColumnTableName{201, "Invalid column/table name"};
inline constexpr ErrorText kInvalidColumnName{201, "Invalid column name"};
inline constexpr ErrorText kOnlyCountStar{201, "Only COUNT(*) supported"};
inline constexpr ErrorText kUnsupportedSelectFunction{201, "Unsupported SELECT function"};
inline constexpr ErrorText kInvalidTableName{201, "Invalid table name"};
inline constexpr ErrorText kInvalidOrderByColumn{201, "Invalid ORDER BY column"};
inline constexpr ErrorText kInvalidColumnIndex{201, "Invalid column index"};
inline constexpr ErrorText kOrderByWithGroupBy{
    201, "ORDER BY can't be used in conjunction with GROUP BY"};
inline constexpr ErrorText kInvalidGroupByColumn{201, "Invalid GROUP BY column"};
inline constexpr ErrorText kOnlySingleGroupBy{201,
                                              "Only single GROUP BY columns currently supported"};
inline constexpr ErrorText kInvalidColumn{201, "Invalid column"};
inline constexpr ErrorText kTooManyColumns{201, "Too many columns"};
inline constexpr ErrorText kInvalidFieldConstraint{201, "Invalid field constraint"};
inline constexpr ErrorText kExpectingCommaOrCloseAfterKey{201, "Expecting ',' or ')'"};

// Column resolution and statement checks.
inline constexpr ErrorText kInvalidTable{202, "Invalid table %s"};
inline constexpr ErrorText kInternalValidation{203, "Internal validation error"};
inline constexpr ErrorText kAmbiguousColumn{205, "Ambiguous column reference: %s"};
inline constexpr ErrorText kUnknownResultColumn{206, "Unknown column: %s"};
inline constexpr ErrorText kCreateTableNeedsColumn{
    206, "CREATE TABLE requires at least one column defined"};
inline constexpr ErrorText kMismatchedUpdateFields{208, "Mismatched update fields"};
inline constexpr ErrorText kUpdateColumnMissing{208, "The column %s does not exist in table %s"};
inline constexpr ErrorText kMismatchedInsertColumns{208, "Mismatched INSERT columns"};

// Table store.
inline constexpr ErrorText kTableExists{2000, "Unable to create %s because it already exists"};
inline constexpr ErrorText kCreateInternal{2001, "Unable to create %s due to an internal error"};
inline constexpr ErrorText kUnsupportedColumnType{
    2002, "Unable to create %s because an unsupported column type was used"};
// Two spaces before "type": the stored message text.
inline constexpr ErrorText kUnsupportedAddedType{
    2002, "Unable to add %s because an unsupported  type was used"};
inline constexpr ErrorText kAddColumnNoTable{
    2003, "Unable to add column %s because table '%s' doesn't exist"};
inline constexpr ErrorText kUnknownTable{2003, "Unknown table %s"};
inline constexpr ErrorText kUnknownColumn{2003, "Unknown column %s"};
inline constexpr ErrorText kNotNullViolation{2003, "NotNull column violation"};
inline constexpr ErrorText kInvalidDateFormat{2003, "Invalid date format"};
inline constexpr ErrorText kInvalidTimeFormat{2003, "Invalid time format"};
inline constexpr ErrorText kBlobWriteFailed{2004, "Error writing BLOB"};
inline constexpr ErrorText kPrimaryKeyViolation{2005, "Insert failed: primary key violation"};
inline constexpr ErrorText kDataTooLong{2006, "Insert failed: data too long"};
inline constexpr ErrorText kDropTableUnsupported{
    2007, "Dropping tables from this database is not currently supported."};
inline constexpr ErrorText kDropColumnUnsupported{
    2008, "Dropping columns is not supported for this database"};

// This engine's own.
inline constexpr ErrorText kCannotCreateFile{2009, "Unable to create the database file"};
inline constexpr ErrorText kCannotCreateFileAt{2009, "Unable to create the database file %s"};
inline constexpr ErrorText kCannotOpenFileBecause{2009, "Unable to open the database file: %s"};
inline constexpr ErrorText kCannotOpenFileAt{2009, "Unable to open the database file %s"};
inline constexpr ErrorText kCannotWriteFile{2009, "Unable to write the database file"};
inline constexpr ErrorText kFileDamaged{2010, "The database file is damaged"};
inline constexpr ErrorText kSortWriteFailed{2011, "Unable to write a temporary sort file"};
inline constexpr ErrorText kSortReadFailed{2011, "Unable to read a temporary sort file"};

}  // namespace tess::db
