// The game's entry point; the application object arrives with the game itself.
int main() { return 0; }
