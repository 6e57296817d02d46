#include "Sim.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <ctime>

namespace sim {

void Count(TSimState& state, const std::string& name)
{
    const std::lock_guard lock(state.Lock);
    ++state.Counts[name];
}

std::string NowText(const TSimState& state)
{
    if (!state.FixedNow.empty())
        return state.FixedNow;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string Md5Hex(const std::string& bytes)
{
    const QByteArray digest = QCryptographicHash::hash(QByteArray(bytes.data(), qsizetype(bytes.size())), QCryptographicHash::Md5);
    return digest.toHex().toUpper().toStdString();
}

namespace {

std::string Encode(const std::string& bytes, const std::string& safe)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3 / 2);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        const bool alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (alnum || safe.find(ch) != std::string::npos) {
            out += ch;
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

} // namespace

std::string EncodeReply(const std::string& bytes)
{
    return Encode(bytes, "-_.~{}[]\":,");
}

std::string EncodeValue(const std::string& bytes)
{
    return Encode(bytes, "-_.~");
}

std::string TextOf(const json& record, const std::string& name)
{
    if (!record.is_object() || !record.contains(name))
        return {};
    const json& value = record[name];
    if (value.is_string())
        return value.get<std::string>();
    return value.is_number() ? value.dump() : std::string();
}

const json* ShopByAppKey(const json& catalogue, const std::string& appKey)
{
    if (!catalogue.is_object() || !catalogue.contains("shops") || !catalogue["shops"].is_array())
        return nullptr;
    for (const json& shop : catalogue["shops"])
        if (shop.is_object() && TextOf(shop, "app_key") == appKey)
            return &shop;
    return nullptr;
}

bool IsTimeStamp(const std::string& text)
{
    static const std::string pattern = "dddd-dd-dd dd:dd:dd";
    if (text.size() != pattern.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (pattern[i] == 'd' ? !(text[i] >= '0' && text[i] <= '9') : text[i] != pattern[i])
            return false;
    return true;
}

} // namespace sim
