#include "VisitKey.h"

#include <QUuid>

namespace VisitKey {

QString make()
{
    return QUuid::createUuid().toString(QUuid::Id128);
}

} // namespace VisitKey
