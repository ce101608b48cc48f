#include <cstdio>

int main()
{
    std::puts("kalvora");
    return 0;
}
