#pragma once

#include <string>

#include <QDateTime>

namespace cli {

// ISO 8601 in UTC with milliseconds: "2024-05-01T12:00:00.123Z".
std::string Timestamp(const QDateTime& time);

} // namespace cli
