#include "platform/Exceptions.h"

#include <utility>

Exception::Exception(QString message)
    : FMessage(std::move(message)), FUtf8(FMessage.toUtf8())
{
}
