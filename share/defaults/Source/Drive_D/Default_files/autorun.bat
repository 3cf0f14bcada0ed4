REM Starts the network stack: the packet driver on interrupt 0x60 (as
REM CONF\SOCKET.CFG expects), the I/O set-up, then the TCP/IP stack.
AX8796 0x60
CFGIO
SOCKETP
