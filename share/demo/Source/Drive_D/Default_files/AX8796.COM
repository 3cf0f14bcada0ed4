Demo stand-in for the controller program AX8796.COM. Put the real one here in your installation folder.
