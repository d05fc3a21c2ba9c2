// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <stdexcept>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace zarvo::sqlite {

// Any failure of the database; what() names SQLite's own reason.
class Error : public std::runtime_error {
  public:
    Error(const std::string& what, int code) : std::runtime_error(what), m_code(code) {}
    int code() const { return m_code; }

  private:
    int m_code;
};

// One connection, closed with the object.
class Database {
  public:
    Database() = default;
    explicit Database(const QString& path); // opens or creates; throws Error
    ~Database();
    Database(Database&& other) noexcept;
    Database& operator=(Database&& other) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    bool isOpen() const { return m_db != nullptr; }
    void close();
    // Runs statements without parameters (schema, pragmas); throws Error.
    void exec(const char* sql);
    // The first column of the first row of a statement without parameters, as text.
    QString textOf(const char* sql);
    qint64 changes() const;
    sqlite3* handle() const { return m_db; }

  private:
    sqlite3* m_db = nullptr;
};

// A prepared statement; parameters are 1-based, columns 0-based.
class Statement {
  public:
    Statement(Database& db, const char* sql); // throws Error
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, qint64 value);
    Statement& bind(int index, const QString& value);
    Statement& bind(int index, const QByteArray& blob);
    Statement& bindNull(int index);
    // True while a row is there; false when done. Throws Error.
    bool step();
    // step() for statements that return no rows, then reset() for the next use.
    void run();
    void reset(); // also clears the bindings

    qint64 integer(int column) const;
    QString text(int column) const;
    QByteArray blob(int column) const;
    bool isNull(int column) const;

  private:
    Database& m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

// BEGIN IMMEDIATE (the writer's lock at once, so two writers wait instead of failing half-way);
// rolled back unless committed.
class Transaction {
  public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

  private:
    Database& m_db;
    bool m_open = true;
};

} // namespace zarvo::sqlite
