"""A UDP proxy between ostrelcli and one simulated BMC that loses, damages
or withholds datagrams as a test tells it to."""

import socket
import threading

TO_BMC, TO_CLIENT = "to-bmc", "to-client"


class Proxy:
    """Forwards datagrams between the first client that writes to it and the
    BMC at bmc_port. fault(direction, n, datagram) decides each datagram's
    fate: it returns the datagram to forward (changed or not) or None to
    drop it; n counts the datagrams of that direction from 0. A fixed port
    lets runs share what the library caches per BMC address."""

    def __init__(self, bmc_port, fault, port=0):
        self.fault = fault
        self.bmc = ("127.0.0.1", bmc_port)
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind(("127.0.0.1", port))
        self.sock.settimeout(0.2)
        self.port = self.sock.getsockname()[1]
        self.counts = {TO_BMC: 0, TO_CLIENT: 0}
        self.clients = {}  # the BMC's view: one upstream socket per client
        self.lock = threading.Lock()
        self.running = True
        self.threads = [threading.Thread(target=self._from_clients, daemon=True)]
        self.threads[0].start()

    def close(self):
        self.running = False
        for t in self.threads:
            t.join()
        self.sock.close()
        for up in self.clients.values():
            up.close()

    def _next(self, direction):
        with self.lock:
            n = self.counts[direction]
            self.counts[direction] += 1
            return n

    def _from_clients(self):
        while self.running:
            try:
                data, client = self.sock.recvfrom(65536)
            except socket.timeout:
                continue
            up = self.clients.get(client)
            if up is None:
                up = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
                up.connect(self.bmc)
                up.settimeout(0.2)
                self.clients[client] = up
                t = threading.Thread(target=self._from_bmc, args=(up, client), daemon=True)
                self.threads.append(t)
                t.start()
            out = self.fault(TO_BMC, self._next(TO_BMC), data)
            if out is not None:
                up.send(out)

    def _from_bmc(self, up, client):
        while self.running:
            try:
                data = up.recv(65536)
            except (socket.timeout, ConnectionRefusedError):
                continue
            out = self.fault(TO_CLIENT, self._next(TO_CLIENT), data)
            if out is not None:
                self.sock.sendto(out, client)
