#include "store/Engine.h"

#include "store/SqliteEngine.h"

Engine& Engine::current()
{
    static SqliteEngine file;
    return file;
}
