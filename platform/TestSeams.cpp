#include "platform/TestSeams.h"

namespace dm::platform {

TestSeams& testSeams()
{
    static TestSeams seams;
    return seams;
}

}  // namespace dm::platform
