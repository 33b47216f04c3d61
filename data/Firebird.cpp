#include "data/Firebird.h"

#include "data/DatabaseError.h"
#include "data/Win1252.h"
#include "runtime/Exceptions.h"
#include "runtime/StrUtils.h"

#include <firebird/Interface.h>
#include <ibase.h>
#include <iberror.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace detail {
namespace {

using Firebird::FbException;
using Firebird::IStatus;
using Firebird::ThrowStatusWrapper;

// A process that is not the administrator cannot write to the engine's default lock directory;
// it gets one of its own unless FIREBIRD_LOCK already says where.  This runs while the program
// starts, before main and before any thread: changing the environment later would race with
// threads that read it.
bool PrepareLockDirectory() {
  if (geteuid() == 0 || std::getenv("FIREBIRD_LOCK") != nullptr)
    return false;
  const auto dir = std::filesystem::temp_directory_path() /
                   ("vozmira-firebird-lock-" + std::to_string(geteuid()));
  ::mkdir(dir.c_str(), 0700);
  ::setenv("FIREBIRD_LOCK", dir.c_str(), 0);
  return true;
}

[[maybe_unused]] const bool LockDirectoryPrepared = PrepareLockDirectory();

Firebird::IMaster* Master() {
  static Firebird::IMaster* const master = Firebird::fb_get_master_interface();
  return master;
}

// A status object for one sequence of calls; failures throw FbException.
class TStatus {
public:
  TStatus() : FStatus(Master()->getStatus()), FWrapper(FStatus) {}
  ~TStatus() { FStatus->dispose(); }
  TStatus(const TStatus&) = delete;
  TStatus& operator=(const TStatus&) = delete;
  ThrowStatusWrapper* operator->() { return &FWrapper; }
  ThrowStatusWrapper* Get() { return &FWrapper; }

private:
  IStatus* FStatus;
  ThrowStatusWrapper FWrapper;
};

// Runs the call that ends `object` (and releases it on success); when that call fails the
// object is released without it.
template <class T, class End> void EndOrRelease(T* object, End end) noexcept {
  if (object == nullptr)
    return;
  try {
    TStatus status;
    end(object, status.Get());
  } catch (...) {
    object->release();
  }
}

} // namespace

void TFbRelease::operator()(Firebird::IAttachment* attachment) const noexcept {
  EndOrRelease(attachment, [](auto* object, auto* status) { object->detach(status); });
}

void TFbRelease::operator()(Firebird::ITransaction* transaction) const noexcept {
  EndOrRelease(transaction, [](auto* object, auto* status) { object->rollback(status); });
}

void TFbRelease::operator()(Firebird::IResultSet* cursor) const noexcept {
  EndOrRelease(cursor, [](auto* object, auto* status) { object->close(status); });
}

void TFbRelease::operator()(Firebird::IBlob* blob) const noexcept {
  EndOrRelease(blob, [](auto* object, auto* status) { object->cancel(status); });
}

void TFbRelease::operator()(Firebird::IStatement* statement) const noexcept {
  if (statement != nullptr)
    statement->release();
}

void TFbRelease::operator()(Firebird::IMessageMetadata* metadata) const noexcept {
  if (metadata != nullptr)
    metadata->release();
}

bool ConvertsCharacterSet(const std::string& characterSet) {
  const std::string name = UpperCase(characterSet);
  if (name == "WIN1252" || name.empty())
    return true;
  if (name == "UTF8")
    return false;
  throw Exception("The connection character set \"" + characterSet +
                  "\" is not supported; use WIN1252 or UTF8");
}

namespace {

std::string StatusText(IStatus* status) {
  char buffer[2048];
  Master()->getUtilInterface()->formatStatus(buffer, sizeof buffer, status);
  std::string text = Win1252ToUtf8(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
    text.pop_back();
  return StringReplaceAll(text, "\n", "; ");
}

// The error codes of a status vector, main cause first.
std::vector<int64_t> ErrorCodes(const intptr_t* vector) {
  std::vector<int64_t> codes;
  while (vector != nullptr && *vector != isc_arg_end) {
    const intptr_t type = *vector++;
    if (type == isc_arg_gds)
      codes.push_back(*vector);
    vector += type == isc_arg_cstring ? 2 : 1;
  }
  return codes;
}

TDatabaseErrorKind KindOf(const std::vector<int64_t>& codes) {
  auto any = [&](std::initializer_list<intptr_t> wanted) {
    return std::any_of(codes.begin(), codes.end(), [&](int64_t code) {
      return std::find(wanted.begin(), wanted.end(), code) != wanted.end();
    });
  };
  if (any({isc_network_error, isc_net_read_err, isc_net_write_err, isc_lost_db_connection,
           isc_conn_lost, isc_att_shutdown, isc_shutdown, isc_net_server_shutdown}))
    return TDatabaseErrorKind::dekConnectionLost;
  if (any({isc_lock_conflict, isc_deadlock, isc_update_conflict}))
    return TDatabaseErrorKind::dekLockConflict;
  if (any({isc_unique_key_violation, isc_no_dup}))
    return TDatabaseErrorKind::dekUniqueViolation;
  if (any({isc_foreign_key}))
    return TDatabaseErrorKind::dekForeignKey;
  return TDatabaseErrorKind::dekOther;
}

[[noreturn]] void Fail(const std::string& what, const FbException& error) {
  IStatus* status = error.getStatus();
  std::vector<int64_t> codes = ErrorCodes(status->getErrors());
  char sqlState[6] = {};
  fb_sqlstate(sqlState, status->getErrors());
  const TDatabaseErrorKind kind = KindOf(codes);
  throw EDatabaseError(what + ": " + StatusText(status), kind, std::move(codes), sqlState);
}

template <class T> struct TReleaser {
  void operator()(T* object) const noexcept {
    if (object != nullptr)
      object->release();
  }
};
template <class T> using TRef = std::unique_ptr<T, TReleaser<T>>;

struct TDisposer {
  void operator()(Firebird::IXpbBuilder* builder) const noexcept {
    if (builder != nullptr)
      builder->dispose();
  }
};

std::unique_ptr<Firebird::IXpbBuilder, TDisposer> ConnectionBlock(TStatus& status,
                                                                  const TFbConnectParams& params) {
  std::unique_ptr<Firebird::IXpbBuilder, TDisposer> dpb(Master()->getUtilInterface()->getXpbBuilder(
      status.Get(), Firebird::IXpbBuilder::DPB, nullptr, 0));
  if (!params.User.empty())
    dpb->insertString(status.Get(), isc_dpb_user_name, params.User.c_str());
  if (!params.Password.empty())
    dpb->insertString(status.Get(), isc_dpb_password, params.Password.c_str());
  dpb->insertString(status.Get(), isc_dpb_lc_ctype,
                    params.CharacterSet.empty() ? "WIN1252" : params.CharacterSet.c_str());
  return dpb;
}

// Bytes per character of the database's character sets that can appear here.
unsigned BytesPerChar(unsigned charSet) {
  switch (charSet) {
  case 4: // UTF8
    return 4;
  case 3: // UNICODE_FSS
    return 3;
  default:
    return 1;
  }
}

constexpr int DaysFrom1858To1899 = 15018; // the database counts days from 17 November 1858
constexpr double TimeUnitsPerDay = 86400.0 * 10000.0;

template <class T> T& At(std::vector<unsigned char>& buffer, unsigned offset) {
  return *reinterpret_cast<T*>(buffer.data() + offset);
}

std::string DescribeParam(const TFbColumn& column, size_t index) {
  return "parameter " + std::to_string(index + 1) +
         (column.Field.empty() ? std::string() : " (" + column.Field + ")");
}

} // namespace

std::string FbConnectString(const TFbConnectParams& params) {
  if (params.Host.empty())
    return params.Database;
  return params.Host + "/" + std::to_string(params.Port) + ":" + params.Database;
}

TDateTime FbDateToDateTime(int date, unsigned time) {
  const double days = static_cast<double>(date - DaysFrom1858To1899);
  const double fraction = static_cast<double>(time) / TimeUnitsPerDay;
  return TDateTime(days < 0 ? days - fraction : days + fraction);
}

void DateTimeToFb(TDateTime value, int& date, unsigned& time) {
  double days = std::trunc(value.Value);
  auto units = static_cast<int64_t>(std::llround(std::fabs(value.Value - days) * TimeUnitsPerDay));
  if (units >= static_cast<int64_t>(TimeUnitsPerDay)) {
    units -= static_cast<int64_t>(TimeUnitsPerDay);
    days += value.Value < 0 ? -1 : 1;
  }
  date = static_cast<int>(days) + DaysFrom1858To1899;
  time = static_cast<unsigned>(units);
}

unsigned TFbColumn::CharLength() const {
  return Length / BytesPerChar(CharSet);
}

// ---- Attachment -------------------------------------------------------------------------------

namespace {

std::atomic<int> LiveAttachments = 0;

} // namespace

int TFbAttachment::Live() {
  return LiveAttachments.load(std::memory_order_relaxed);
}

TFbAttachment::TFbAttachment(TFbHandle<Firebird::IAttachment> handle, bool convertsText)
    : FHandle(std::move(handle)), FConvertsText(convertsText) {
  LiveAttachments.fetch_add(1, std::memory_order_relaxed);
}

std::unique_ptr<TFbAttachment> TFbAttachment::Attach(const TFbConnectParams& params) {
  const bool converts = ConvertsCharacterSet(params.CharacterSet);
  TStatus status;
  try {
    auto dpb = ConnectionBlock(status, params);
    TRef<Firebird::IProvider> provider(Master()->getDispatcher());
    const std::string target = FbConnectString(params);
    TFbHandle<Firebird::IAttachment> handle(
        provider->attachDatabase(status.Get(), target.c_str(), dpb->getBufferLength(status.Get()),
                                 dpb->getBuffer(status.Get())));
    return std::unique_ptr<TFbAttachment>(new TFbAttachment(std::move(handle), converts));
  } catch (const FbException& error) {
    Fail("attaching failed", error);
  }
}

std::unique_ptr<TFbAttachment> TFbAttachment::Create(const TFbConnectParams& params,
                                                     TFbForcedWrites forcedWrites) {
  const bool converts = ConvertsCharacterSet(params.CharacterSet);
  TStatus status;
  try {
    auto dpb = ConnectionBlock(status, params);
    dpb->insertInt(status.Get(), isc_dpb_sql_dialect, 3);
    dpb->insertInt(status.Get(), isc_dpb_page_size, 8192);
    dpb->insertString(status.Get(), isc_dpb_set_db_charset, "WIN1252");
    dpb->insertInt(status.Get(), isc_dpb_force_write, forcedWrites == TFbForcedWrites::On ? 1 : 0);
    TRef<Firebird::IProvider> provider(Master()->getDispatcher());
    const std::string target = FbConnectString(params);
    TFbHandle<Firebird::IAttachment> handle(
        provider->createDatabase(status.Get(), target.c_str(), dpb->getBufferLength(status.Get()),
                                 dpb->getBuffer(status.Get())));
    return std::unique_ptr<TFbAttachment>(new TFbAttachment(std::move(handle), converts));
  } catch (const FbException& error) {
    Fail("creating the database failed", error);
  }
}

void SetForcedWrites(const TFbConnectParams& params, TFbForcedWrites forcedWrites) {
  TStatus status;
  try {
    auto dpb = ConnectionBlock(status, params);
    dpb->insertInt(status.Get(), isc_dpb_force_write, forcedWrites == TFbForcedWrites::On ? 1 : 0);
    TRef<Firebird::IProvider> provider(Master()->getDispatcher());
    const std::string target = FbConnectString(params);
    TFbHandle<Firebird::IAttachment> handle(
        provider->attachDatabase(status.Get(), target.c_str(), dpb->getBufferLength(status.Get()),
                                 dpb->getBuffer(status.Get())));
    handle->detach(status.Get());
    (void)handle.release(); // detached: the client has released it
  } catch (const FbException& error) {
    Fail("changing forced writes failed", error);
  }
}

namespace {

struct TServiceRelease {
  void operator()(Firebird::IService* service) const noexcept {
    EndOrRelease(service, [](auto* object, auto* status) { object->detach(status); });
  }
};

// Reads the service's output until it ends, which is when its work is complete; a failure of the
// work is raised by the query that would have read past it.
void WaitForService(TStatus& status, Firebird::IService* service) {
  const unsigned char items[] = {isc_info_svc_to_eof};
  std::vector<unsigned char> buffer(16384);
  for (bool more = true; more;) {
    service->query(status.Get(), 0, nullptr, sizeof items, items,
                   static_cast<unsigned>(buffer.size()), buffer.data());
    more = false;
    const unsigned char* at = buffer.data();
    const unsigned char* const end = at + buffer.size();
    while (at < end && *at != isc_info_end) {
      switch (*at++) {
      case isc_info_svc_to_eof: {
        if (end - at < 2)
          throw Exception("the service's answer is cut short");
        const auto length =
            static_cast<size_t>(isc_portable_integer(reinterpret_cast<const ISC_UCHAR*>(at), 2));
        at += 2 + std::min(length, static_cast<size_t>(end - at - 2));
        more = more || length > 0;
        break;
      }
      case isc_info_truncated:
      case isc_info_data_not_ready:
        more = true;
        break;
      default:
        throw Exception("the service answered with an unknown item");
      }
    }
  }
}

} // namespace

void FbBackup(const TFbConnectParams& params, const std::string& backupFile) {
  TStatus status;
  try {
    Firebird::IUtil* util = Master()->getUtilInterface();
    std::unique_ptr<Firebird::IXpbBuilder, TDisposer> attach(
        util->getXpbBuilder(status.Get(), Firebird::IXpbBuilder::SPB_ATTACH, nullptr, 0));
    if (!params.User.empty())
      attach->insertString(status.Get(), isc_spb_user_name, params.User.c_str());
    if (!params.Password.empty())
      attach->insertString(status.Get(), isc_spb_password, params.Password.c_str());
    TRef<Firebird::IProvider> provider(Master()->getDispatcher());
    std::unique_ptr<Firebird::IService, TServiceRelease> service(provider->attachServiceManager(
        status.Get(), "service_mgr", attach->getBufferLength(status.Get()),
        attach->getBuffer(status.Get())));
    std::unique_ptr<Firebird::IXpbBuilder, TDisposer> start(
        util->getXpbBuilder(status.Get(), Firebird::IXpbBuilder::SPB_START, nullptr, 0));
    start->insertTag(status.Get(), isc_action_svc_backup);
    start->insertString(status.Get(), isc_spb_dbname, params.Database.c_str());
    start->insertString(status.Get(), isc_spb_bkp_file, backupFile.c_str());
    service->start(status.Get(), start->getBufferLength(status.Get()),
                   start->getBuffer(status.Get()));
    WaitForService(status, service.get());
  } catch (const FbException& error) {
    Fail("the backup service failed", error);
  }
}

TFbAttachment::~TFbAttachment() {
  LiveAttachments.fetch_sub(1, std::memory_order_relaxed);
}

std::string TFbAttachment::ToConnection(const std::string& text) const {
  return FConvertsText ? Utf8ToWin1252(text) : text;
}

std::string TFbAttachment::FromConnection(const std::string& text) const {
  return FConvertsText ? Win1252ToUtf8(text) : text;
}

// ---- Transaction ------------------------------------------------------------------------------

TFbTransaction::TFbTransaction(TFbAttachment& attachment, TFbTransactionKind kind) {
  const unsigned char readBlock[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed,
                                     isc_tpb_rec_version, isc_tpb_nowait};
  const unsigned char writeBlock[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed,
                                      isc_tpb_rec_version, isc_tpb_nowait};
  const unsigned char* block = kind == TFbTransactionKind::Read ? readBlock : writeBlock;
  TStatus status;
  try {
    FHandle.reset(attachment.Handle()->startTransaction(status.Get(), sizeof readBlock, block));
  } catch (const FbException& error) {
    Fail("Starting a transaction failed", error);
  }
}

void TFbTransaction::Commit() {
  TStatus status;
  try {
    FHandle->commit(status.Get());
    (void)FHandle.release(); // committed: the client has released it
  } catch (const FbException& error) {
    Fail("Committing failed", error);
  }
}

// ---- Statement --------------------------------------------------------------------------------

namespace {

std::vector<TFbColumn> Describe(TStatus& status, Firebird::IMessageMetadata* meta,
                                const TFbAttachment& attachment) {
  std::vector<TFbColumn> columns;
  if (meta == nullptr)
    return columns;
  const unsigned count = meta->getCount(status.Get());
  columns.reserve(count);
  for (unsigned i = 0; i < count; ++i) {
    TFbColumn column;
    column.Name = attachment.FromConnection(meta->getAlias(status.Get(), i));
    column.Field = attachment.FromConnection(meta->getField(status.Get(), i));
    column.Relation = attachment.FromConnection(meta->getRelation(status.Get(), i));
    column.Type = meta->getType(status.Get(), i) & ~1u;
    column.SubType = meta->getSubType(status.Get(), i);
    column.Length = meta->getLength(status.Get(), i);
    column.Scale = meta->getScale(status.Get(), i);
    column.CharSet = meta->getCharSet(status.Get(), i);
    column.Nullable = meta->isNullable(status.Get(), i);
    column.Offset = meta->getOffset(status.Get(), i);
    column.NullOffset = meta->getNullOffset(status.Get(), i);
    columns.push_back(std::move(column));
  }
  return columns;
}

TBytes ReadBlob(TStatus& status, Firebird::IAttachment* attachment,
                Firebird::ITransaction* transaction, ISC_QUAD id) {
  TBytes bytes;
  TFbHandle<Firebird::IBlob> blob(attachment->openBlob(status.Get(), transaction, &id, 0, nullptr));
  unsigned char segment[32768];
  while (true) {
    unsigned length = 0;
    const int result = blob->getSegment(status.Get(), sizeof segment, segment, &length);
    if (result != IStatus::RESULT_OK && result != IStatus::RESULT_SEGMENT)
      break;
    bytes.insert(bytes.end(), segment, segment + length);
  }
  return bytes;
}

ISC_QUAD WriteBlob(TStatus& status, Firebird::IAttachment* attachment,
                   Firebird::ITransaction* transaction, const std::string& bytes) {
  ISC_QUAD id{};
  TFbHandle<Firebird::IBlob> blob(
      attachment->createBlob(status.Get(), transaction, &id, 0, nullptr));
  constexpr size_t Segment = 32768;
  for (size_t pos = 0; pos < bytes.size(); pos += Segment) {
    const size_t length = std::min(Segment, bytes.size() - pos);
    blob->putSegment(status.Get(), static_cast<unsigned>(length), bytes.data() + pos);
  }
  blob->close(status.Get());
  (void)blob.release(); // closed: the client has released it
  return id;
}

int64_t ScaledInteger(const Variant& value, int scale) {
  if (scale == 0)
    return value.AsInt64();
  const double scaled = std::round(value.AsFloat() * std::pow(10.0, -scale));
  if (!(std::fabs(scaled) < 9.2e18))
    throw Exception("The number " + value.AsString() + " is out of range");
  return static_cast<int64_t>(scaled);
}

} // namespace

TFbStatement::TFbStatement(TFbAttachment& attachment, TFbTransaction& transaction,
                           const std::string& sql)
    : FAttachment(attachment), FSql(sql) {
  const std::string text = attachment.ToConnection(sql);
  TStatus status;
  try {
    FHandle.reset(attachment.Handle()->prepare(status.Get(), transaction.Handle(), 0, text.c_str(),
                                               3, Firebird::IStatement::PREPARE_PREFETCH_METADATA));
    FInMeta.reset(FHandle->getInputMetadata(status.Get()));
    FOutMeta.reset(FHandle->getOutputMetadata(status.Get()));
    FParams = Describe(status, FInMeta.get(), attachment);
    FColumns = Describe(status, FOutMeta.get(), attachment);
    FInBuffer.assign(FInMeta->getMessageLength(status.Get()), 0);
    FOutBuffer.assign(FOutMeta->getMessageLength(status.Get()), 0);
  } catch (const FbException& error) {
    Fail("Preparing the statement failed", error);
  }
}

void TFbStatement::Bind(Firebird::ITransaction* transaction, const std::vector<Variant>& params) {
  if (params.size() != FParams.size())
    throw Exception("The statement takes " + std::to_string(FParams.size()) + " parameters but " +
                    std::to_string(params.size()) + " were given");
  TStatus status;
  for (size_t i = 0; i < FParams.size(); ++i) {
    const TFbColumn& column = FParams[i];
    const Variant& value = params[i];
    At<short>(FInBuffer, column.NullOffset) = value.IsEmptyOrNull() ? -1 : 0;
    if (value.IsEmptyOrNull())
      continue;
    switch (column.Type) {
    case SQL_VARYING:
    case SQL_TEXT: {
      const std::string text =
          column.CharSet == 1 ? value.AsString() : FAttachment.ToConnection(value.AsString());
      if (text.size() > column.Length)
        throw Exception("The text for " + DescribeParam(column, i) + " is longer than its " +
                        std::to_string(column.CharLength()) + " characters");
      if (column.Type == SQL_VARYING) {
        At<uint16_t>(FInBuffer, column.Offset) = static_cast<uint16_t>(text.size());
        std::memcpy(FInBuffer.data() + column.Offset + 2, text.data(), text.size());
      } else {
        std::memset(FInBuffer.data() + column.Offset, ' ', column.Length);
        std::memcpy(FInBuffer.data() + column.Offset, text.data(), text.size());
      }
      break;
    }
    case SQL_SHORT:
    case SQL_LONG: {
      const int64_t number = ScaledInteger(value, column.Scale);
      const int64_t limit = column.Type == SQL_SHORT ? std::numeric_limits<int16_t>::max()
                                                     : std::numeric_limits<int32_t>::max();
      if (number > limit || number < -limit - 1)
        throw Exception("The value " + value.AsString() + " does not fit " +
                        DescribeParam(column, i) + " (" + (column.Type == SQL_SHORT ? "16" : "32") +
                        "-bit integer)");
      if (column.Type == SQL_SHORT)
        At<int16_t>(FInBuffer, column.Offset) = static_cast<int16_t>(number);
      else
        At<int32_t>(FInBuffer, column.Offset) = static_cast<int32_t>(number);
      break;
    }
    case SQL_INT64:
      At<int64_t>(FInBuffer, column.Offset) = ScaledInteger(value, column.Scale);
      break;
    case SQL_FLOAT:
      At<float>(FInBuffer, column.Offset) = static_cast<float>(value.AsFloat());
      break;
    case SQL_DOUBLE:
      At<double>(FInBuffer, column.Offset) = value.AsFloat();
      break;
    case SQL_BOOLEAN:
      At<FB_BOOLEAN>(FInBuffer, column.Offset) = value.AsBoolean() ? FB_TRUE : FB_FALSE;
      break;
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME: {
      int date = 0;
      unsigned time = 0;
      DateTimeToFb(value.AsDateTime(), date, time);
      if (column.Type == SQL_TIMESTAMP) {
        At<ISC_TIMESTAMP>(FInBuffer, column.Offset) = {date, time};
      } else if (column.Type == SQL_TYPE_DATE) {
        At<ISC_DATE>(FInBuffer, column.Offset) = date;
      } else {
        At<ISC_TIME>(FInBuffer, column.Offset) = time;
      }
      break;
    }
    case SQL_BLOB: {
      std::string bytes;
      if (column.SubType == 1) {
        bytes = FAttachment.ToConnection(value.AsString());
      } else {
        const TBytes raw = value.AsBytes();
        bytes.assign(raw.begin(), raw.end());
      }
      try {
        At<ISC_QUAD>(FInBuffer, column.Offset) =
            WriteBlob(status, FAttachment.Handle(), transaction, bytes);
      } catch (const FbException& error) {
        Fail("Writing " + DescribeParam(column, i) + " failed", error);
      }
      break;
    }
    case SQL_NULL:
      break;
    default:
      throw Exception("The type of " + DescribeParam(column, i) + " is not supported");
    }
  }
}

void TFbStatement::ReadRow(Firebird::ITransaction* transaction, std::vector<Variant>& row) {
  row.resize(FColumns.size());
  for (size_t i = 0; i < FColumns.size(); ++i) {
    const TFbColumn& column = FColumns[i];
    if (At<short>(FOutBuffer, column.NullOffset) != 0) {
      row[i] = Variant::Null();
      continue;
    }
    const unsigned char* data = FOutBuffer.data() + column.Offset;
    switch (column.Type) {
    case SQL_VARYING: {
      const std::string raw(reinterpret_cast<const char*>(data + 2),
                            *reinterpret_cast<const uint16_t*>(data));
      if (column.CharSet == 1)
        row[i] = TBytes(raw.begin(), raw.end());
      else
        row[i] = FAttachment.FromConnection(raw);
      break;
    }
    case SQL_TEXT: {
      std::string raw(reinterpret_cast<const char*>(data), column.Length);
      if (column.CharSet == 1) {
        row[i] = TBytes(raw.begin(), raw.end());
      } else {
        raw.erase(raw.find_last_not_of(' ') + 1);
        row[i] = FAttachment.FromConnection(raw);
      }
      break;
    }
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64: {
      const int64_t number = column.Type == SQL_SHORT  ? *reinterpret_cast<const int16_t*>(data)
                             : column.Type == SQL_LONG ? *reinterpret_cast<const int32_t*>(data)
                                                       : *reinterpret_cast<const int64_t*>(data);
      if (column.Scale != 0)
        row[i] = static_cast<double>(number) * std::pow(10.0, column.Scale);
      else if (column.Type == SQL_INT64)
        row[i] = number;
      else
        row[i] = static_cast<int32_t>(number);
      break;
    }
    case SQL_FLOAT:
      row[i] = static_cast<double>(*reinterpret_cast<const float*>(data));
      break;
    case SQL_DOUBLE:
      row[i] = *reinterpret_cast<const double*>(data);
      break;
    case SQL_BOOLEAN:
      row[i] = *data != 0;
      break;
    case SQL_TIMESTAMP: {
      const auto& stamp = *reinterpret_cast<const ISC_TIMESTAMP*>(data);
      row[i] = FbDateToDateTime(stamp.timestamp_date, stamp.timestamp_time);
      break;
    }
    case SQL_TYPE_DATE:
      row[i] = FbDateToDateTime(*reinterpret_cast<const ISC_DATE*>(data), 0);
      break;
    case SQL_TYPE_TIME:
      row[i] = FbDateToDateTime(DaysFrom1858To1899, *reinterpret_cast<const ISC_TIME*>(data));
      break;
    case SQL_BLOB: {
      TStatus status;
      try {
        TBytes bytes = ReadBlob(status, FAttachment.Handle(), transaction,
                                *reinterpret_cast<const ISC_QUAD*>(data));
        if (column.SubType == 1)
          row[i] = FAttachment.FromConnection(std::string(bytes.begin(), bytes.end()));
        else
          row[i] = std::move(bytes);
      } catch (const FbException& error) {
        Fail("Reading the blob of " + column.Name + " failed", error);
      }
      break;
    }
    default:
      throw Exception("The type of column " + column.Name + " is not supported");
    }
  }
}

uint64_t TFbStatement::Execute(TFbTransaction& transaction, const std::vector<Variant>& params,
                               std::vector<Variant>* row) {
  Bind(transaction.Handle(), params);
  TStatus status;
  try {
    FHandle->execute(status.Get(), transaction.Handle(), FInMeta.get(), FInBuffer.data(),
                     FColumns.empty() ? nullptr : FOutMeta.get(),
                     FColumns.empty() ? nullptr : FOutBuffer.data());
    if (row != nullptr && !FColumns.empty())
      ReadRow(transaction.Handle(), *row);
    return FHandle->getAffectedRecords(status.Get());
  } catch (const FbException& error) {
    Fail("Executing the statement failed", error);
  }
}

void TFbStatement::OpenCursor(TFbTransaction& transaction, const std::vector<Variant>& params) {
  CloseCursor();
  Bind(transaction.Handle(), params);
  TStatus status;
  try {
    FCursor.reset(FHandle->openCursor(status.Get(), transaction.Handle(), FInMeta.get(),
                                      FInBuffer.data(), FOutMeta.get(), 0));
    FCursorTransaction = transaction.Handle();
  } catch (const FbException& error) {
    Fail("Opening the query failed", error);
  }
}

bool TFbStatement::Fetch(std::vector<Variant>& row) {
  if (FCursor == nullptr)
    return false;
  TStatus status;
  try {
    if (FCursor->fetchNext(status.Get(), FOutBuffer.data()) != IStatus::RESULT_OK) {
      CloseCursor();
      return false;
    }
  } catch (const FbException& error) {
    CloseCursor();
    Fail("Reading the query's rows failed", error);
  }
  ReadRow(FCursorTransaction, row);
  return true;
}

void TFbStatement::CloseCursor() {
  FCursor.reset();
  FCursorTransaction = nullptr;
}

} // namespace detail
