// The SQLite statement wrapper and its exception.
#include <sqlite3.h>

#include <cstring>

#include "data/c_format.h"
#include "data/track_database.h"

namespace dorvath {

// ---- CppSQLite3Exception -------------------------------------------------------------

CppSQLite3Exception::CppSQLite3Exception(int code, const std::string& detail)
    : std::runtime_error(CFormat("%s[%d]: %s", errorCodeAsString(code), code, detail)),
      code_(code),
      message_(std::runtime_error::what()) {}

const char* CppSQLite3Exception::errorCodeAsString(int code) {
    static const char* const names[] = {
        "SQLITE_OK",       "SQLITE_ERROR",     "SQLITE_INTERNAL", "SQLITE_PERM",
        "SQLITE_ABORT",    "SQLITE_BUSY",      "SQLITE_LOCKED",   "SQLITE_NOMEM",
        "SQLITE_READONLY", "SQLITE_INTERRUPT", "SQLITE_IOERR",    "SQLITE_CORRUPT",
        "SQLITE_NOTFOUND", "SQLITE_FULL",      "SQLITE_CANTOPEN", "SQLITE_PROTOCOL",
        "SQLITE_EMPTY",    "SQLITE_SCHEMA",    "SQLITE_TOOBIG",   "SQLITE_CONSTRAINT",
        "SQLITE_MISMATCH", "SQLITE_MISUSE",    "SQLITE_NOLFS",    "SQLITE_AUTH",
        "SQLITE_FORMAT",   "SQLITE_RANGE"};
    if (code >= 0 && code <= 25) return names[code];
    if (code == 100) return "SQLITE_ROW";
    if (code == 101) return "SQLITE_DONE";
    if (code == kCppSqliteError) return "CPPSQLITE_ERROR";
    return "UNKNOWN_ERROR";
}

// ---- DbQuery ---------------------------------------------------------------------------

DbQuery::DbQuery(sqlite3* db, sqlite3_stmt* stmt, bool atEnd)
    : db_(db), stmt_(stmt), eof_(atEnd), columns_(sqlite3_column_count(stmt)), owned_(true) {
    names_.resize(columns_);
    for (int i = 0; i < columns_; ++i) {
        names_[i] = sqlite3_column_name(stmt, i);
        for (int j = 0; j < i; ++j)
            if (names_[i] && names_[j] && std::strcmp(names_[i], names_[j]) == 0)
                duplicateNames_ = true;
    }
}

DbQuery::DbQuery(DbQuery&& o) noexcept
    : db_(o.db_),
      stmt_(o.stmt_),
      eof_(o.eof_),
      columns_(o.columns_),
      owned_(o.owned_),
      names_(std::move(o.names_)),
      duplicateNames_(o.duplicateNames_) {
    o.stmt_ = nullptr;
    o.owned_ = false;
}

DbQuery& DbQuery::operator=(DbQuery&& o) noexcept {
    if (this != &o) {
        try {
            finalize();
        } catch (...) {
        }
        db_ = o.db_;
        stmt_ = o.stmt_;
        eof_ = o.eof_;
        columns_ = o.columns_;
        owned_ = o.owned_;
        names_ = std::move(o.names_);
        duplicateNames_ = o.duplicateNames_;
        lastHit_ = -1;
        o.stmt_ = nullptr;
        o.owned_ = false;
    }
    return *this;
}

DbQuery::~DbQuery() {
    try {
        finalize();
    } catch (...) {
    }
}

void DbQuery::checkVm() const {
    if (!stmt_) throw CppSQLite3Exception(kCppSqliteError, "Null Virtual Machine pointer");
}

void DbQuery::checkIndex(int index) const {
    if (index < 0 || index >= columns_)
        throw CppSQLite3Exception(kCppSqliteError, "Invalid field index requested");
}

bool DbQuery::atEnd() const {
    checkVm();
    return eof_;
}

void DbQuery::next() {
    checkVm();
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_DONE) {
        eof_ = true;
    } else if (rc != SQLITE_ROW) {
        rc = sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw CppSQLite3Exception(rc, sqlite3_errmsg(db_));
    }
}

int DbQuery::columnIndex(const char* name) const {
    checkVm();
    if (name) {
        // With repeated names (a join) the first one in column order must win.
        const int from = duplicateNames_ ? -1 : lastHit_;
        for (int k = 1; k <= columns_; ++k) {
            int i = (from + k) % columns_;
            if (names_[i] && std::strcmp(name, names_[i]) == 0) return lastHit_ = i;
        }
    }
    throw CppSQLite3Exception(kCppSqliteError, "Invalid field name requested");
}

const char* DbQuery::columnText(int index) const {
    checkVm();
    checkIndex(index);
    return reinterpret_cast<const char*>(sqlite3_column_text(stmt_, index));
}

int DbQuery::columnType(int index) const {
    checkVm();
    checkIndex(index);
    return sqlite3_column_type(stmt_, index);
}

int DbQuery::intValue(int index, int nullValue) const {
    checkVm();
    checkIndex(index);
    // one column call, then the value: the column calls take the connection's mutex
    sqlite3_value* v = sqlite3_column_value(stmt_, index);
    return sqlite3_value_type(v) == SQLITE_NULL ? nullValue : sqlite3_value_int(v);
}

int DbQuery::intValue(const char* name, int nullValue) const {
    return intValue(columnIndex(name), nullValue);
}

double DbQuery::doubleValue(int index, double nullValue) const {
    checkVm();
    checkIndex(index);
    sqlite3_value* v = sqlite3_column_value(stmt_, index);
    return sqlite3_value_type(v) == SQLITE_NULL ? nullValue : sqlite3_value_double(v);
}

double DbQuery::doubleValue(const char* name, double nullValue) const {
    return doubleValue(columnIndex(name), nullValue);
}

bool DbQuery::isNull(const char* name) const {
    return columnType(columnIndex(name)) == SQLITE_NULL;
}

void DbQuery::finalize() {
    if (stmt_ && owned_) {
        int rc = sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        if (rc != SQLITE_OK) throw CppSQLite3Exception(rc, sqlite3_errmsg(db_));
    }
    stmt_ = nullptr;
}

std::string DatabaseErrorText(const CppSQLite3Exception& e) {
    if (e.errorCode() == kCppSqliteError) return e.errorMessage();
    const std::string words = sqlite3_errstr(e.errorCode());
    // A prepare failure carries no detail: the code's own words say what it was.
    if (e.errorMessage().find(words) != std::string::npos) return e.errorMessage();
    return words + " (" + e.errorMessage() + ")";
}

}  // namespace dorvath
