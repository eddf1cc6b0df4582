#include "cli/timestamp.h"

namespace cli {

std::string Timestamp(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODateWithMs).toStdString();
}

} // namespace cli
