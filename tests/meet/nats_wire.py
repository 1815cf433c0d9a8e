"""A bare client of the meeting point's wire protocol, for tests: TCP or WebSocket, with no
library between the test and the server, so that a test sees exactly what the server says.
Each call waits at most a few seconds; nothing here reaches past the address it is given."""
import base64, os, re, socket, struct, subprocess, time

READY_SECONDS = 10


class Client:
    def __init__(self, port, host="127.0.0.1", websocket=False):
        self.socket = socket.create_connection((host, port), timeout=5)
        self.websocket, self.pending, self.frames = websocket, b"", b""
        if websocket:
            key = base64.b64encode(os.urandom(16)).decode()
            self.socket.sendall(f"GET / HTTP/1.1\r\nHost: {host}:{port}\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                                f"Sec-WebSocket-Key: {key}\r\nSec-WebSocket-Version: 13\r\n\r\n".encode())
            answer = b""
            while b"\r\n\r\n" not in answer:
                answer += self.socket.recv(4096) or b"!"
            head, self.frames = answer.split(b"\r\n\r\n", 1)
            assert head.startswith(b"HTTP/1.1 101"), head
        self.info = self.line()
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

    def line(self, seconds=5):
        end = time.monotonic() + seconds
        while b"\r\n" not in self.pending:
            if time.monotonic() > end:
                raise TimeoutError("nothing from the server")
            self.fill(0.2)
        text, self.pending = self.pending.split(b"\r\n", 1)
        return text.decode()

    def subscribe(self, subject, sid):
        self.send(f"SUB {subject} {sid}\r\n".encode())

    def publish(self, subject, payload):
        self.send(f"PUB {subject} {len(payload)}\r\n".encode() + payload + b"\r\n")

    def ping(self):  # whether the server answered PONG; what came before it is kept
        kept = []
        try:
            self.send(b"PING\r\n")
            while (line := self.line()) != "PONG":
                kept.append(line)
        except (EOFError, TimeoutError, OSError):
            return False
        self.said = getattr(self, "said", []) + kept
        return True

    def errors(self):
        self.ping()
        found = [line for line in getattr(self, "said", []) if line.startswith("-ERR")]
        self.said = []
        return found

    def messages(self, seconds=0.5):  # [(subject, payload)] that came within seconds
        found, end = [], time.monotonic() + seconds
        while time.monotonic() < end:
            while (match := re.match(rb"MSG (\S+) \S+ (?:\S+ )?(\d+)\r\n", self.pending)) and len(
                    self.pending) >= match.end() + int(match[2]) + 2:
                found.append((match[1].decode(), self.pending[match.end():match.end() + int(match[2])]))
                self.pending = self.pending[match.end() + int(match[2]) + 2:]
            if self.pending.startswith(b"PING\r\n"):
                self.pending = self.pending[6:]
                self.send(b"PONG\r\n")
            try:
                self.fill(0.05)
            except EOFError:
                break
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
