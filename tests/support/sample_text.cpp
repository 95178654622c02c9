#include "support/sample_text.h"

#include <array>
#include <cstdio>

#include "support/code_page_text.h"

namespace pstbuild::sample {
namespace {

// --- English ---------------------------------------------------------------
constexpr SamplePerson kEnPeople[] = {
    {"Alice Walker", "alice.walker@example.com"},     {"Bob Harris", "bob.harris@example.org"},
    {"Carol Jenkins", "carol.jenkins@example.net"},   {"David O'Brien", "david.obrien@example.com"},
    {"Emma Stone-Clarke", "emma.clarke@example.org"}, {"Frank Miller", "frank@example.net"},
};
constexpr const char* kEnSubjects[] = {
    "Quarterly report draft", "Lunch on Friday?",
    "Invoice 2024-117",       "Project kickoff notes",
    "Updated travel plans",   "Server maintenance window",
    "Re-org announcement",    "Budget review: action items",
};
constexpr const char* kEnSentences[] = {
    "Please find the latest figures below.",
    "Let me know if anything is unclear or missing.",
    "We agreed to move the deadline to the end of next month.",
    "The meeting room on the third floor is booked from ten to twelve.",
    "I have attached the documents you asked for yesterday.",
    "Could you review the draft before Thursday afternoon?",
    "Thanks again for the quick turnaround on this.",
    "The numbers for March look better than expected, about 12% above plan.",
    "Our supplier confirmed delivery for the 14th.",
    "We still need a decision on the venue & the catering budget.",
};
constexpr const char* kEnFolders[] = {"Projects", "Customers", "Receipts", "Newsletters"};
constexpr const char* kEnMeetings[] = {"Weekly sync", "Design review", "Dentist", "Team lunch"};
constexpr const char* kEnPlaces[] = {"Room 3.14", "Main office", "Conference line 2"};
constexpr unsigned kEnCodePages[] = {20127, 28591, 1252, 65001};

// --- German ----------------------------------------------------------------
constexpr SamplePerson kDePeople[] = {
    {"Jürgen Müller", "juergen.mueller@example.de"},
    {"Änne Schäfer", "aenne.schaefer@example.de"},
    {"Björn Weiß", "bjoern.weiss@example.de"},
    {"Grete Köhler", "grete.koehler@example.de"},
};
constexpr const char* kDeSubjects[] = {
    "Besprechung am Dienstag", "Rechnung für März",      "Änderungen am Vertrag",
    "Grüße aus München",       "Übersicht der Aufgaben",
};
constexpr const char* kDeSentences[] = {
    "Anbei finden Sie die gewünschten Unterlagen.",
    "Könnten Sie bitte bis Freitag eine Rückmeldung geben?",
    "Die Lieferung verzögert sich leider um zwei Wochen.",
    "Wir haben die Größe der Räume noch einmal überprüft.",
    "Vielen Dank für die schnelle Antwort.",
    "Das Budget für das nächste Quartal ist bereits genehmigt.",
    "Bitte beachten Sie die geänderten Öffnungszeiten.",
};
constexpr const char* kDeFolders[] = {"Projekte", "Kunden", "Rechnungen", "Übersicht"};
constexpr const char* kDeMeetings[] = {"Wöchentliche Abstimmung", "Kundentermin", "Zahnarzt"};
constexpr const char* kDePlaces[] = {"Besprechungsraum Süd", "Büro München"};
constexpr unsigned kDeCodePages[] = {28591, 1252, 65001};

// --- French ----------------------------------------------------------------
constexpr SamplePerson kFrPeople[] = {
    {"Hélène Dubois", "helene.dubois@example.fr"},
    {"François Lefèvre", "francois.lefevre@example.fr"},
    {"Zoé Garçon", "zoe.garcon@example.fr"},
};
constexpr const char* kFrSubjects[] = {
    "Réunion de lundi",
    "Facture n° 2024-58",
    "Prévisions pour l'été",
    "Déjeuner d'équipe",
};
constexpr const char* kFrSentences[] = {
    "Veuillez trouver ci-joint le compte rendu.",
    "Pourriez-vous confirmer votre présence avant mercredi ?",
    "Le budget prévu a été dépassé de 5 %.",
    "Merci beaucoup pour votre aide précieuse.",
    "La livraison est prévue pour la fin de la semaine.",
};
constexpr const char* kFrFolders[] = {"Clients", "Réunions", "Factures"};
constexpr const char* kFrMeetings[] = {"Point hebdomadaire", "Déjeuner"};
constexpr const char* kFrPlaces[] = {"Salle Étoile", "Siège à Lyon"};
constexpr unsigned kFrCodePages[] = {28591, 1252};

// --- Russian ---------------------------------------------------------------
constexpr SamplePerson kRuPeople[] = {
    {"Иван Петров", "ivan.petrov@example.ru"},
    {"Мария Смирнова", "maria.smirnova@example.ru"},
    {"Алексей Кузнецов", "alexey.kuznetsov@example.ru"},
    {"Ольга Иванова", "olga.ivanova@example.ru"},
};
constexpr const char* kRuSubjects[] = {
    "Отчёт за квартал",          "Встреча в пятницу",   "Счёт № 118",
    "Планы на следующую неделю", "Обновление договора",
};
constexpr const char* kRuSentences[] = {
    "Во вложении находится последняя версия документа.",
    "Пожалуйста, подтвердите получение этого письма.",
    "Совещание переносится на четверг, в 15:00.",
    "Спасибо за быстрый ответ и помощь.",
    "Бюджет проекта увеличен на 10 процентов.",
    "Мы ждём ваших предложений до конца месяца.",
    "Ёлка в офисе будет установлена в понедельник.",
};
constexpr const char* kRuFolders[] = {"Проекты", "Клиенты", "Отчёты", "Архив писем"};
constexpr const char* kRuMeetings[] = {"Планёрка", "Встреча с клиентом", "Обед"};
constexpr const char* kRuPlaces[] = {"Переговорная №2", "Офис на Тверской"};
constexpr unsigned kRuCodePages[] = {20866, 1251, 65001};

// --- Japanese --------------------------------------------------------------
constexpr SamplePerson kJaPeople[] = {
    {"山田 太郎", "taro.yamada@example.jp"},
    {"佐藤 花子", "hanako.sato@example.jp"},
    {"鈴木 一郎", "ichiro.suzuki@example.jp"},
};
constexpr const char* kJaSubjects[] = {
    "会議の議事録",
    "来週の予定について",
    "請求書の送付",
    "新製品のご案内",
};
constexpr const char* kJaSentences[] = {
    "いつもお世話になっております。",
    "添付の資料をご確認ください。",
    "来週の会議は午後二時から始まります。",
    "ご不明な点がございましたら、お気軽にお問い合わせください。",
    "よろしくお願いいたします。",
    "納期は三月末の予定です。",
};
constexpr const char* kJaFolders[] = {"プロジェクト", "顧客", "請求書"};
constexpr const char* kJaMeetings[] = {"定例会議", "打ち合わせ"};
constexpr const char* kJaPlaces[] = {"第一会議室", "東京本社"};
constexpr unsigned kJaCodePages[] = {50220, 932, 65001};

// --- Greek -----------------------------------------------------------------
constexpr SamplePerson kElPeople[] = {
    {"Γιώργος Παπαδόπουλος", "giorgos.papadopoulos@example.gr"},
    {"Ελένη Νικολάου", "eleni.nikolaou@example.gr"},
    {"Νίκος Αλεξίου", "nikos.alexiou@example.gr"},
};
constexpr const char* kElSubjects[] = {
    "Συνάντηση την Τρίτη",
    "Τιμολόγιο Μαρτίου",
    "Αναφορά προόδου",
    "Καλημέρα από την Αθήνα",
};
constexpr const char* kElSentences[] = {
    "Σας στέλνω συνημμένα τα έγγραφα.",        "Παρακαλώ επιβεβαιώστε την παραλαβή.",
    "Η συνάντηση μεταφέρεται για την Πέμπτη.", "Ευχαριστώ πολύ για τη βοήθεια.",
    "Ο προϋπολογισμός εγκρίθηκε χθες.",
};
constexpr const char* kElFolders[] = {"Έργα", "Πελάτες", "Τιμολόγια"};
constexpr const char* kElMeetings[] = {"Εβδομαδιαία σύσκεψη", "Γεύμα"};
constexpr const char* kElPlaces[] = {"Αίθουσα Α", "Γραφείο Αθήνας"};
constexpr unsigned kElCodePages[] = {28597, 1253, 65001};

const std::array<Language, 6> kLanguages = {{
    {"en", kEnPeople, kEnSubjects, kEnSentences, kEnFolders, kEnMeetings, kEnPlaces,
     "RE: ", "FW: ", "Hi,", "Best regards,", kEnCodePages},
    {"de", kDePeople, kDeSubjects, kDeSentences, kDeFolders, kDeMeetings, kDePlaces,
     "AW: ", "WG: ", "Hallo,", "Viele Grüße", kDeCodePages},
    {"fr", kFrPeople, kFrSubjects, kFrSentences, kFrFolders, kFrMeetings, kFrPlaces,
     "RE : ", "TR : ", "Bonjour,", "Cordialement,", kFrCodePages},
    {"ru", kRuPeople, kRuSubjects, kRuSentences, kRuFolders, kRuMeetings, kRuPlaces,
     "RE: ", "FW: ", "Здравствуйте!", "С уважением,", kRuCodePages},
    {"ja", kJaPeople, kJaSubjects, kJaSentences, kJaFolders, kJaMeetings, kJaPlaces,
     "RE: ", "FW: ", "お疲れ様です。", "以上、よろしくお願いします。", kJaCodePages},
    {"el", kElPeople, kElSubjects, kElSentences, kElFolders, kElMeetings, kElPlaces,
     "ΑΠ: ", "ΠΡΘ: ", "Γεια σας,", "Με εκτίμηση,", kElCodePages},
}};

bool language_fits(const Language& language, unsigned code_page) {
    auto fits = [code_page](std::string_view text) { return representable(text, code_page); };
    for (const SamplePerson& p : language.people) {
        if (!fits(p.name)) {
            return false;
        }
    }
    for (const auto* list : {&language.subjects, &language.sentences, &language.folder_names,
                             &language.meetings, &language.places}) {
        for (const char* text : *list) {
            if (!fits(text)) {
                return false;
            }
        }
    }
    return fits(language.reply_prefix) && fits(language.forward_prefix) &&
           fits(language.greeting) && fits(language.closing);
}

// Decodes one UTF-8 sequence at `at`; the input is known to be valid.
std::uint32_t next_code_point(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<std::uint8_t>(text[at]);
    const std::size_t length = lead < 0x80 ? 1 : lead >> 5 == 0x6 ? 2 : lead >> 4 == 0xE ? 3 : 4;
    std::uint32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length && at + k < text.size(); ++k) {
        cp = cp << 6 | (static_cast<std::uint8_t>(text[at + k]) & 0x3F);
    }
    at += length;
    return cp;
}

void append_rtf_unit(std::string& out, std::uint32_t unit) {
    const int value = unit > 0x7FFF ? static_cast<int>(unit) - 0x10000 : static_cast<int>(unit);
    out += "\\u" + std::to_string(value) + "?";
}

// RTF text: control characters escaped, line ends as \par, everything
// beyond ASCII as \uN? (UTF-16 units, signed).
std::string rtf_text(std::string_view plain) {
    std::string out;
    std::size_t at = 0;
    while (at < plain.size()) {
        const std::uint32_t cp = next_code_point(plain, at);
        if (cp == '\r') {
            continue;
        }
        if (cp == '\n') {
            out += "\\par\r\n";
        } else if (cp == '\\' || cp == '{' || cp == '}') {
            out += '\\';
            out += static_cast<char>(cp);
        } else if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x10000) {
            append_rtf_unit(out, cp);
        } else {
            append_rtf_unit(out, 0xD800 + ((cp - 0x10000) >> 10));
            append_rtf_unit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
    }
    return out;
}

std::string html_escape(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\r':
                break;
            default:
                out += c;
        }
    }
    return out;
}

// Days since 1970-01-01 to a civil date (the proleptic Gregorian calendar).
void civil_from_days(std::int64_t days, int& year, unsigned& month, unsigned& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

std::span<const Language> languages() {
    return kLanguages;
}

std::vector<const Language*> languages_for(unsigned code_page) {
    std::vector<const Language*> out;
    for (const Language& language : kLanguages) {
        if (code_page == 0 || language_fits(language, code_page)) {
            out.push_back(&language);
        }
    }
    return out;
}

std::string paragraphs(const Language& language, Prng& rng, std::size_t min_length) {
    std::string out;
    std::size_t in_paragraph = 0;
    while (out.size() < min_length) {
        if (in_paragraph == 0 && !out.empty()) {
            out += "\r\n\r\n";
        } else if (in_paragraph > 0) {
            out += ' ';
        }
        out += rng.pick(language.sentences);
        in_paragraph = (in_paragraph + 1) % (3 + rng.below(3));
    }
    return out;
}

std::string plain_body(const Language& language, Prng& rng, std::size_t min_length,
                       std::string_view signature) {
    std::string out = language.greeting;
    out += "\r\n\r\n";
    out += paragraphs(language, rng, min_length);
    out += "\r\n\r\n";
    out += language.closing;
    out += "\r\n";
    out += signature;
    out += "\r\n";
    return out;
}

std::string html_body(std::string_view plain, std::string_view charset,
                      const std::vector<std::string>& inline_images) {
    std::string out =
        "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=";
    out += charset;
    out += "\">\r\n</head>\r\n<body>\r\n<p>";
    std::size_t start = 0;
    while (start <= plain.size()) {
        std::size_t end = plain.find("\r\n\r\n", start);
        const std::string_view part = plain.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        std::string escaped = html_escape(part);
        for (std::size_t nl = escaped.find('\n'); nl != std::string::npos;
             nl = escaped.find('\n', nl)) {
            escaped.replace(nl, 1, "<br>\r\n");
            nl += 6;
        }
        out += escaped;
        if (end == std::string_view::npos) {
            break;
        }
        out += "</p>\r\n<p>";
        start = end + 4;
    }
    out += "</p>\r\n";
    for (const std::string& cid : inline_images) {
        out += "<p><img src=\"cid:" + cid + "\" alt=\"image\"></p>\r\n";
    }
    out += "</body>\r\n</html>\r\n";
    return out;
}

std::string rtf_body(std::string_view plain, unsigned ansi_code_page) {
    std::string out = "{\\rtf1\\ansi\\ansicpg" + std::to_string(ansi_code_page) +
                      "\\deff0\\uc1{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n"
                      "{\\colortbl;\\red0\\green0\\blue0;}\r\n\\viewkind4\\pard\\f0\\fs20 ";
    out += rtf_text(plain);
    out += "\\par\r\n}";
    return out;
}

std::string rtf_encapsulated_html(std::string_view plain, unsigned ansi_code_page) {
    std::string out = "{\\rtf1\\ansi\\ansicpg" + std::to_string(ansi_code_page) +
                      "\\fromhtml1 \\deff0\\uc1{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n"
                      "{\\*\\htmltag19 <html>}{\\*\\htmltag34 <head>}{\\*\\htmltag41 </head>}\r\n"
                      "{\\*\\htmltag50 <body>}\\htmlrtf \\f0\\fs20 \\htmlrtf0 "
                      "{\\*\\htmltag64 <p>}";
    out += rtf_text(plain);
    out += "{\\*\\htmltag72 </p>}\r\n{\\*\\htmltag58 </body>}{\\*\\htmltag27 </html>}}";
    return out;
}

std::string base64(std::string_view bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t v = static_cast<std::uint8_t>(bytes[i]) << 16 |
                                static_cast<std::uint8_t>(bytes[i + 1]) << 8 |
                                static_cast<std::uint8_t>(bytes[i + 2]);
        for (int k = 18; k >= 0; k -= 6) {
            out += kAlphabet[(v >> k) & 0x3F];
        }
    }
    if (i < bytes.size()) {
        std::uint32_t v = static_cast<std::uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) {
            v |= static_cast<std::uint8_t>(bytes[i + 1]) << 8;
        }
        out += kAlphabet[(v >> 18) & 0x3F];
        out += kAlphabet[(v >> 12) & 0x3F];
        out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 0x3F] : '=';
        out += '=';
    }
    return out;
}

std::string header_word(std::string_view utf8) {
    for (const char c : utf8) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return "=?utf-8?B?" + base64(utf8) + "?=";
        }
    }
    return std::string(utf8);
}

std::string rfc822_date(std::int64_t unix_seconds) {
    static constexpr const char* kDays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::int64_t days =
        unix_seconds >= 0 ? unix_seconds / 86400 : (unix_seconds - 86399) / 86400;
    const std::int64_t secs = unix_seconds - days * 86400;
    int year = 0;
    unsigned month = 0;
    unsigned day = 0;
    civil_from_days(days, year, month, day);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s, %02u %s %04d %02d:%02d:%02d +0000",
                  kDays[((days % 7) + 7) % 7], day, kMonths[month - 1], year,
                  static_cast<int>(secs / 3600), static_cast<int>(secs / 60 % 60),
                  static_cast<int>(secs % 60));
    return buffer;
}

}  // namespace pstbuild::sample
