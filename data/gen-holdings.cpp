// gen-holdings N M OUT.db
//
// Builds a large synthetic back-office database for benchmarks: the schema and the
// demo content of the demo database, plus N synthetic accounts with M holdings each
// on the demo reporting date (most of them budget users; cash in EUR and USD, bonds
// and shares with custody MICs, quotation MICs or neither, and prices). The database
// is written to a temporary file that replaces OUT.db only when it is complete; the
// report folder setting points at "porocila/" beside OUT.db.

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "DemoScripts.inc"

namespace {

namespace fs = std::filesystem;

constexpr const char* kDemoDate = "2024-09-30";
constexpr std::int64_t kFirstSyntheticKey = 1000000; // persons, accounts
constexpr std::int64_t kFirstSyntheticInstrument = 1000;
constexpr std::int64_t kMinInstruments = 200;
constexpr std::int64_t kMaxRows = 200000000;
constexpr std::int64_t kEurCash = 1; // instruments of the demo content
constexpr std::int64_t kUsdCash = 2;
constexpr double kUsdRate = 1.1196;

// Markets of the demo content.
constexpr std::int64_t kXlju = 1;
constexpr std::int64_t kXetr = 4;
constexpr std::int64_t kXfra = 5;
constexpr std::int64_t kXnas = 6;

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Database {
public:
    explicit Database(const fs::path& file) {
        if (sqlite3_open(file.c_str(), &handle_) != SQLITE_OK) {
            const std::string message = sqlite3_errmsg(handle_);
            sqlite3_close(handle_);
            throw Error(file.string() + ": " + message);
        }
    }
    ~Database() { sqlite3_close(handle_); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void execute(const char* sql) {
        char* message = nullptr;
        if (sqlite3_exec(handle_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string text = message ? message : sqlite3_errmsg(handle_);
            sqlite3_free(message);
            throw Error(text);
        }
    }
    sqlite3* handle() const { return handle_; }

private:
    sqlite3* handle_ = nullptr;
};

// A prepared statement with positional parameters, run once per set of bindings.
class Statement {
public:
    Statement(Database& db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db.handle(), sql, -1, &handle_, nullptr) != SQLITE_OK)
            throw Error(sqlite3_errmsg(db.handle()));
    }
    ~Statement() { sqlite3_finalize(handle_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, std::int64_t value) {
        check(sqlite3_bind_int64(handle_, index, value));
        return *this;
    }
    Statement& bind(int index, double value) {
        check(sqlite3_bind_double(handle_, index, value));
        return *this;
    }
    Statement& bind(int index, std::string_view text) {
        check(sqlite3_bind_text(handle_, index, text.data(), static_cast<int>(text.size()),
                                SQLITE_TRANSIENT));
        return *this;
    }
    Statement& bindNull(int index) {
        check(sqlite3_bind_null(handle_, index));
        return *this;
    }
    void run() {
        const int result = sqlite3_step(handle_);
        sqlite3_reset(handle_);
        if (result != SQLITE_DONE && result != SQLITE_ROW)
            throw Error(sqlite3_errmsg(db_.handle()));
    }

private:
    void check(int result) {
        if (result != SQLITE_OK)
            throw Error(sqlite3_errmsg(db_.handle()));
    }
    Database& db_;
    sqlite3_stmt* handle_ = nullptr;
};

// ISIN check digit: letters become two digits (A=10 ... Z=35), then the Luhn sum.
char isinCheckDigit(std::string_view body) {
    std::string digits;
    for (char c : body)
        digits += (c >= 'A' && c <= 'Z') ? std::to_string(c - 'A' + 10) : std::string(1, c);
    int sum = 0;
    bool doubled = true;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it, doubled = !doubled) {
        int d = *it - '0';
        if (doubled)
            d = d * 2 > 9 ? d * 2 - 9 : d * 2;
        sum += d;
    }
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

std::string makeIsin(std::string_view country, std::int64_t number) {
    char body[16];
    std::snprintf(body, sizeof body, "%.2s9%08lld", country.data(),
                  static_cast<long long>(number % 100000000));
    std::string isin(body);
    return isin + isinCheckDigit(isin);
}

// A Slovenian tax number: seven digits and a modulo-11 check digit.
std::string makeTaxNumber(std::int64_t seed) {
    for (std::int64_t base = 1000000 + (seed * 104729) % 9000000;;
         base = base < 9999999 ? base + 1 : 1000000) {
        const std::string digits = std::to_string(base);
        int sum = 0;
        for (int i = 0; i < 7; ++i)
            sum += (digits[i] - '0') * (8 - i);
        const int check = 11 - sum % 11;
        if (check != 11)
            return digits + static_cast<char>('0' + check % 10);
    }
}

double roundTo(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

constexpr std::array kPlaces = {
    "Ajdovščina",     "Bled",     "Brežice",    "Celje",     "Črnomelj", "Domžale", "Idrija",
    "Izola",          "Jesenice", "Kamnik",     "Kočevje",   "Koper",    "Kranj",   "Krško",
    "Lendava",        "Litija",   "Ljutomer",   "Maribor",   "Metlika",  "Ormož",   "Piran",
    "Postojna",       "Ptuj",     "Radovljica", "Ribnica",   "Sevnica",  "Tolmin",  "Trbovlje",
    "Slovenj Gradec", "Velenje",  "Žalec",      "Novo mesto"};
constexpr std::array kInstitutions = {"Občina",
                                      "Osnovna šola",
                                      "Vrtec",
                                      "Zdravstveni dom",
                                      "Knjižnica",
                                      "Glasbena šola",
                                      "Ljudska univerza",
                                      "Dom starejših občanov",
                                      "Zavod za turizem",
                                      "Zavod za šport"};
constexpr std::array kFirstNames = {"Ana",   "Bojan",  "Cvetka", "Damjan", "Eva",
                                    "Franc", "Gorazd", "Helena", "Igor",   "Jožica"};
constexpr std::array kSurnames = {"Novak",    "Horvat", "Kovačič", "Krajnc", "Zupančič",
                                  "Potočnik", "Kovač",  "Mlakar",  "Vidmar", "Golob"};
constexpr std::array kStreets = {"Glavni trg",        "Cankarjeva ulica", "Prešernova cesta",
                                 "Šolska ulica",      "Trg svobode",      "Partizanska cesta",
                                 "Ljubljanska cesta", "Tomšičeva ulica"};

template <typename Array> const char* pick(const Array& items, std::int64_t index) {
    return items[static_cast<std::size_t>(index) % items.size()];
}

struct Instrument {
    std::int64_t key = 0;
    bool debt = false;
    bool usd = false;
    double price = 0; // per piece, or per unit of nominal for bonds
};

class Generator {
public:
    Generator(Database& db, std::int64_t accounts, std::int64_t rowsPerAccount)
        : db_(db), accounts_(accounts), rowsPerAccount_(rowsPerAccount) {}

    void run() {
        makeInstruments(std::max<std::int64_t>(kMinInstruments, rowsPerAccount_));
        Statement person(db_, "INSERT INTO OSB (SFOSB, TIP, DVS, MATST, IME, NZV, NSL, POSTA, "
                              "MST, DRZ, PRORAC_UPOR) VALUES (?1, ?2, ?3, NULL, ?4, ?5, ?6, "
                              "?7, ?8, 'SI', ?9)");
        Statement account(db_, "INSERT INTO POG (IDPOG, SFOSB, VRSTA, DATOD, DATDO) "
                               "VALUES (?1, ?2, 'SKRBNIŠKI', '2020-01-02', NULL)");
        Statement holding(db_, "INSERT INTO VPHST (DAN, IDPOG, SFVP, SFSVP, TCJVLT, GLVVLT, "
                               "OBRVLT, LOT) VALUES (?1, ?2, ?3, 'L', ?4, ?5, ?6, ?7)");
        for (std::int64_t i = 0; i < accounts_; ++i) {
            addPerson(person, i);
            account.bind(1, kFirstSyntheticKey + i).bind(2, kFirstSyntheticKey + i).run();
            addHoldings(holding, i);
        }
    }

    std::int64_t budgetAccounts() const { return budgetAccounts_; }

private:
    void makeInstruments(std::int64_t count) {
        Statement instrument(db_, "INSERT INTO SFVP (SFVP, ISIN, KRT, NAZIV, SFFIN, SFGLVENT, "
                                  "SFVLTNMN, IZDAJATELJ) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?4)");
        Statement quotation(db_, "INSERT INTO VPKRO (SFVP, DAN, SFTRGVRD) "
                                 "VALUES (?1, '2024-01-02', ?2)");
        Statement custody(db_, "INSERT INTO KTC (SFVP, DAN, DANPRK, KTCLEZTT, SFTRG, SKRBNIK) "
                               "VALUES (?1, '2023-01-02', NULL, 'D', ?2, 'Clearstream Banking')");
        Statement price(db_, "INSERT INTO TECAJNICA (SFVP, DAN, TCN) VALUES (?1, ?2, ?3)");
        std::uniform_real_distribution<double> equityPrice(5.0, 500.0);
        std::uniform_real_distribution<double> bondPrice(92.0, 106.0);
        for (std::int64_t k = 0; k < count; ++k) {
            Instrument item;
            item.key = kFirstSyntheticInstrument + k;
            item.debt = k % 3 == 0;
            item.usd = k % 5 == 0;
            const double quoted = roundTo(item.debt ? bondPrice(random_) : equityPrice(random_), 2);
            item.price = item.debt ? quoted / 100 : quoted;
            const std::string number = std::to_string(k + 1);
            const std::string shortName = (item.debt ? "OBV" : "DEL") + number;
            const std::string name =
                (item.debt ? "Sintetična obveznica " : "Sintetična delnica ") + number;
            instrument.bind(1, item.key)
                .bind(2, makeIsin(item.usd ? "US" : "SI", k))
                .bind(3, shortName)
                .bind(4, name)
                .bind(5, item.debt ? "O" : "D")
                .bind(6, item.debt ? "%" : "KOS")
                .bind(7, std::int64_t{item.usd ? 840 : 978})
                .run();
            switch (k % 4) { // quotation MIC, custody MIC, both, or neither
            case 0:
                quotation.bind(1, item.key).bind(2, kXlju).run();
                break;
            case 1:
                custody.bind(1, item.key).bind(2, kXetr).run();
                break;
            case 2:
                quotation.bind(1, item.key).bind(2, kXfra).run();
                custody.bind(1, item.key).bind(2, kXnas).run();
                break;
            default:
                break;
            }
            if (k % 7 != 6) // some instruments have no price
                price.bind(1, item.key).bind(2, kDemoDate).bind(3, quoted).run();
            instruments_.push_back(item);
        }
    }

    void addPerson(Statement& person, std::int64_t i) {
        const std::string_view mark = i % 10 < 8 ? "D" : i % 10 == 8 ? "N" : "";
        const bool budgetUser = mark == "D";
        const char* place = pick(kPlaces, i);
        const std::string address =
            std::string(pick(kStreets, i / 3)) + " " + std::to_string(1 + i % 97);
        person.bind(1, kFirstSyntheticKey + i)
            .bind(2, budgetUser ? "P" : "F")
            .bind(3, makeTaxNumber(i))
            .bind(5, budgetUser ? std::string(pick(kInstitutions, i / 7)) + " " + place
                                : std::string(pick(kSurnames, i / 11)))
            .bind(6, address)
            .bind(7, std::to_string(1000 + (i * 10) % 9000))
            .bind(8, place);
        // Legal persons have no first name: every other one an empty text, the rest null.
        if (!budgetUser)
            person.bind(4, pick(kFirstNames, i));
        else if (i % 2 == 0)
            person.bind(4, "");
        else
            person.bindNull(4);
        if (mark.empty())
            person.bindNull(9);
        else
            person.bind(9, mark);
        person.run();
        if (budgetUser)
            ++budgetAccounts_;
    }

    // Row 0 is cash in EUR (sometimes overdrawn), row 1 cash in USD, the others
    // distinct instruments, so that every row is a row of the holdings statement.
    void addHoldings(Statement& holding, std::int64_t i) {
        std::uniform_real_distribution<double> cash(100.0, 500000.0);
        std::uniform_int_distribution<int> pieces(1, 5000);
        std::uniform_int_distribution<int> nominal(1, 200);
        const std::int64_t account = kFirstSyntheticKey + i;
        const std::int64_t first = (i * 37) % static_cast<std::int64_t>(instruments_.size());
        for (std::int64_t j = 0; j < rowsPerAccount_; ++j) {
            holding.bind(1, kDemoDate).bind(2, account);
            if (j < 2) {
                const double amount = roundTo(cash(random_), 2) * (j == 0 && i % 23 == 0 ? -1 : 1);
                holding.bind(3, j == 0 ? kEurCash : kUsdCash)
                    .bind(4, j == 0 ? 1.0 : kUsdRate)
                    .bind(5, 1.0)
                    .bind(6, 0.0)
                    .bind(7, amount);
            } else {
                const Instrument& item =
                    instruments_[static_cast<std::size_t>((first + j - 2) % instruments_.size())];
                const double lot = item.debt ? nominal(random_) * 1000.0 : pieces(random_);
                holding.bind(3, item.key)
                    .bind(4, item.usd ? kUsdRate : 1.0)
                    .bind(5, item.price)
                    .bind(6, item.debt ? roundTo(item.price * 0.01, 4) : 0.0)
                    .bind(7, lot);
            }
            holding.run();
        }
    }

    Database& db_;
    std::int64_t accounts_;
    std::int64_t rowsPerAccount_;
    std::int64_t budgetAccounts_ = 0;
    std::vector<Instrument> instruments_;
    std::mt19937_64 random_{20240930};
};

// The report folder beside the database, and the settings sequence after the rows.
void applySettings(Database& db, const fs::path& reportFolder) {
    Statement folder(db, "UPDATE SERPROG SET VREDNOST = ?1 WHERE MODUL = 'ZEV' AND "
                         "KATEGORIJA = 'SPLOŠNE' AND PARAMETER = 'XML_PATH'");
    folder.bind(1, reportFolder.string() + "/").run();
    db.execute("UPDATE DB_SEQUENCES SET LAST_VALUE = (SELECT COALESCE(MAX(ID_SERPROG), 0) "
               "FROM SERPROG) WHERE NAME = 'SERPROG_PK_SEQ'");
}

std::int64_t parseCount(std::string_view text, const char* what) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1)
        throw std::invalid_argument(std::string(what) +
                                    " must be a positive whole number: " + std::string(text));
    return value;
}

int generate(std::int64_t accounts, std::int64_t rows, const fs::path& output) {
    const fs::path target = fs::absolute(output);
    const fs::path temporary = target.string() + ".tmp";
    const fs::path reportFolder = target.parent_path() / "porocila";
    fs::remove(temporary);
    std::int64_t budgetAccounts = 0;
    try {
        Database db(temporary);
        db.execute("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;");
        db.execute("BEGIN");
        db.execute(kSchemaSql);
        db.execute(kDemoContentSql);
        Generator generator(db, accounts, rows);
        generator.run();
        applySettings(db, reportFolder);
        db.execute("COMMIT");
        budgetAccounts = generator.budgetAccounts();
    } catch (...) {
        fs::remove(temporary);
        throw;
    }
    fs::create_directories(reportFolder);
    fs::rename(temporary, target);
    std::printf("%s: %lld accounts (%lld of budget users) with %lld holdings each on %s\n",
                target.c_str(), static_cast<long long>(accounts),
                static_cast<long long>(budgetAccounts), static_cast<long long>(rows), kDemoDate);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr,
                     "Usage: gen-holdings N M OUT.db\n"
                     "  N accounts with M holdings each on the demo date %s\n",
                     kDemoDate);
        return 2;
    }
    std::int64_t accounts = 0;
    std::int64_t rows = 0;
    try {
        accounts = parseCount(argv[1], "N");
        rows = parseCount(argv[2], "M");
        if (accounts > kMaxRows / rows)
            throw std::invalid_argument("N x M must not exceed " + std::to_string(kMaxRows));
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "gen-holdings: %s\n", error.what());
        return 2;
    }
    try {
        return generate(accounts, rows, argv[3]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "gen-holdings: %s\n", error.what());
        return 1;
    }
}
