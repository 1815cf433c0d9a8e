"""A bare client of the meeting point's wire protocol, for tests: TCP or WebSocket, with no
library between the test and the server, so that a test sees exactly what the server says.
Each call waits at most a few seconds; nothing here reaches past the address it is given."""
import base64, os, re, socket, struct, subprocess, time

READY_SECONDS = 10


class Client:
    def __init__(self, port, host="127.0.0.1", websocket=False):
        self.socket = socket.create_connection((host, port), timeout=5)
        self.websocket, self.pending, self.frames, self.said, self.inbox = websocket, b"", b"", [], []
        if websocket:
            key = base64.b64encode(os.urandom(16)).decode()
            self.socket.sendall(f"GET / HTTP/1.1\r\nHost: {host}:{port}\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                                f"Sec-WebSocket-Key: {key}\r\nSec-WebSocket-Version: 13\r\n\r\n".encode())
            answer = b""
            while b"\r\n\r\n" not in answer:
                answer += self.socket.recv(4096) or b"!"
            head, self.frames = answer.split(b"\r\n\r\n", 1)
            assert head.startswith(b"HTTP/1.1 101"), head
        end = time.monotonic() + 5
        while b"\r\n" not in self.pending and time.monotonic() < end:
            self.fill(0.2)
        info, self.pending = self.pending.split(b"\r\n", 1)
        self.info = info.decode()
        assert self.info.startswith("INFO "), self.info
        self.send(b'CONNECT {"verbose":false,"pedantic":false,"echo":false,"lang":"test","version":"0"}\r\n')
        assert self.ping(), "no PONG after CONNECT"

    def send(self, data):
        if self.websocket:  # one masked binary frame
            mask = os.urandom(4)
            size = len(data)
            head = bytes([0x82]) + (bytes([0x80 | size]) if size < 126 else
                                    bytes([0x80 | 126]) + struct.pack(">H", size) if size < 65536 else
                                    bytes([0x80 | 127]) + struct.pack(">Q", size))
            data = head + mask + bytes(b ^ mask[n % 4] for n, b in enumerate(data))
        self.socket.sendall(data)

    def receive(self):  # the next bytes of the protocol stream; b"" when the server closed
        if not self.websocket:
            return self.socket.recv(65536)
        while True:
            if len(self.frames) >= 2:
                size, at = self.frames[1] & 127, 2
                if size == 126:
                    size, at = struct.unpack(">H", self.frames[2:4])[0], 4
                elif size == 127:
                    size, at = struct.unpack(">Q", self.frames[2:10])[0], 10
                if len(self.frames) >= at + size:
                    opcode, payload = self.frames[0] & 15, self.frames[at:at + size]
                    self.frames = self.frames[at + size:]
                    if opcode == 8:
                        return b""
                    if opcode in (0, 1, 2):
                        return payload
                    continue
            more = self.socket.recv(65536)
            if not more:
                return b""
            self.frames += more

    def fill(self, seconds):
        self.socket.settimeout(seconds)
        try:
            more = self.receive()
        except (socket.timeout, TimeoutError):
            return True
        except OSError:
            more = b""
        if not more:
            raise EOFError("the server closed the connection")
        self.pending += more
        return True

    def pump(self, seconds, until_pong=False):
        """Reads what the server says for up to seconds: messages into the inbox, other lines into
        said, PING answered; returns early with True on a PONG when asked to."""
        end = time.monotonic() + seconds
        while True:
            while b"\r\n" in self.pending:
                head = self.pending.split(b"\r\n", 1)[0]
                if head.startswith(b"MSG "):
                    words = head.split()
                    size, start = int(words[-1]), len(head) + 2
                    if len(self.pending) < start + size + 2:
                        break
                    self.inbox.append((words[1].decode(), self.pending[start:start + size]))
                    self.pending = self.pending[start + size + 2:]
                    continue
                self.pending = self.pending[len(head) + 2:]
                line = head.decode(errors="replace")
                if line == "PING":
                    self.send(b"PONG\r\n")
                elif line == "PONG" and until_pong:
                    return True
                elif line != "PONG":
                    self.said.append(line)
            if time.monotonic() > end:
                return False
            self.fill(min(0.05, max(0.001, end - time.monotonic())))

    def subscribe(self, subject, sid):
        self.send(f"SUB {subject} {sid}\r\n".encode())

    def publish(self, subject, payload):
        self.send(f"PUB {subject} {len(payload)}\r\n".encode() + payload + b"\r\n")

    def ping(self):  # whether the server answered PONG within 5 s
        try:
            self.send(b"PING\r\n")
            return self.pump(5, until_pong=True)
        except (EOFError, OSError):
            return False

    def errors(self):
        self.ping()
        found = [line for line in self.said if line.startswith("-ERR")]
        self.said = []
        return found

    def messages(self, seconds=0.5):  # [(subject, payload)] come so far and within seconds
        try:
            self.pump(seconds)
        except EOFError:
            pass
        found, self.inbox = self.inbox, []
        return found

    def close(self):
        self.socket.close()


def start_server(config, log):
    """A nats-server on a configuration, once its ports answer; its process."""
    process = subprocess.Popen(["nats-server", "-c", config], stdout=log, stderr=log)
    ports = [int(port) for port in re.findall(r'listen: "127\.0\.0\.1:(\d+)"', open(config).read())]
    end = time.monotonic() + READY_SECONDS
    def answers(port):
        with socket.socket() as probe:
            return probe.connect_ex(("127.0.0.1", port)) == 0

    while not all(answers(port) for port in ports):
        if process.poll() is not None or time.monotonic() > end:
            process.kill()
            raise RuntimeError(f"nats-server -c {config} did not start")
        time.sleep(0.05)
    return process
