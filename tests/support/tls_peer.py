#!/usr/bin/env python3
"""The project's own TLS test peer, for what nginx cannot do.

Usage: tls_peer.py CERT KEY PORT STALL_PORT CLOSING_PORT

On PORT it shakes hands with the certificate CERT and answers one request per
connection by the request's path:
  /cut          Content-Length 1000, 400 body bytes, then TLS's closing alert
  /no-alert     no Content-Length, 300 body bytes, then the connection closes
                without TLS's closing alert
  /clean        no Content-Length, 300 body bytes, then TLS's closing alert
  /bad-record   a few body bytes, then a record whose bytes are garbage
On STALL_PORT it accepts connections and never answers: a handshake that stalls.
On CLOSING_PORT it reads the client's hello and closes the connection in answer.
Runs until it is killed; every connection has a thread of its own.
"""
import socket
import ssl
import sys
import threading

BODY_CHUNK = b"k" * 100


def serve_plain(connection):
    with connection:
        connection.settimeout(60)
        try:
            while connection.recv(4096):
                pass
        except OSError:
            pass


def read_exactly(sock, count):
    data = b""
    while len(data) < count:
        chunk = sock.recv(count - len(data))
        if not chunk:
            raise ConnectionError("client left")
        data += chunk
    return data


def close_on_hello(connection):
    """Reads the hello's whole record, so that the close is an orderly one, not a reset."""
    with connection:
        connection.settimeout(30)
        try:
            header = read_exactly(connection, 5)
            read_exactly(connection, int.from_bytes(header[3:5], "big"))
            connection.shutdown(socket.SHUT_WR)
            while connection.recv(4096):
                pass
        except (OSError, ConnectionError):
            pass


def pump_out(tls, sock):
    data = tls.outgoing.read()
    if data:
        sock.sendall(data)


def handshake(sock, context):
    incoming, outgoing = ssl.MemoryBIO(), ssl.MemoryBIO()
    tls = context.wrap_bio(incoming, outgoing, server_side=True)
    tls.incoming, tls.outgoing = incoming, outgoing
    while True:
        try:
            tls.do_handshake()
            pump_out(tls, sock)
            return tls
        except ssl.SSLWantReadError:
            pump_out(tls, sock)
            data = sock.recv(16384)
            if not data:
                raise ConnectionError("client left")
            incoming.write(data)


def read_request(tls, sock):
    request = b""
    while b"\r\n\r\n" not in request:
        try:
            request += tls.read(16384)
        except ssl.SSLWantReadError:
            data = sock.recv(16384)
            if not data:
                raise ConnectionError("client left")
            tls.incoming.write(data)
    line = request.split(b"\r\n", 1)[0].decode("latin-1")
    return line.split(" ")[1] if " " in line else "/"


def send(tls, sock, data):
    tls.write(data)
    pump_out(tls, sock)


def close_with_alert(tls, sock):
    try:
        tls.unwrap()
    except ssl.SSLError:
        pass
    pump_out(tls, sock)


def answer(sock, context):
    with sock:
        sock.settimeout(30)
        try:
            tls = handshake(sock, context)
            path = read_request(tls, sock)
            if path == "/cut":
                send(tls, sock, b"HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + BODY_CHUNK * 4)
                close_with_alert(tls, sock)
            elif path == "/no-alert":
                send(tls, sock, b"HTTP/1.0 200 OK\r\n\r\n" + BODY_CHUNK * 3)
            elif path == "/clean":
                send(tls, sock, b"HTTP/1.0 200 OK\r\n\r\n" + BODY_CHUNK * 3)
                close_with_alert(tls, sock)
            elif path == "/bad-record":
                send(tls, sock, b"HTTP/1.0 200 OK\r\n\r\n" + BODY_CHUNK)
                sock.sendall(b"\x17\x03\x03\x00\x20" + b"\x55" * 32)  # application data, garbage
            else:
                send(tls, sock, b"HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n")
                close_with_alert(tls, sock)
            sock.shutdown(socket.SHUT_WR)
            sock.recv(1)  # let the client close first
        except (OSError, ssl.SSLError, ConnectionError):
            pass


def listen(port):
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", port))
    server.listen(16)
    return server


def accept_forever(server, serve):
    while True:
        connection, _ = server.accept()
        threading.Thread(target=serve, args=(connection,), daemon=True).start()


def main():
    cert, key = sys.argv[1], sys.argv[2]
    port, stall_port, closing_port = (int(argument) for argument in sys.argv[3:6])
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    tls_server = listen(port)
    for other_port, serve in ((stall_port, serve_plain), (closing_port, close_on_hello)):
        threading.Thread(
            target=accept_forever, args=(listen(other_port), serve), daemon=True
        ).start()
    accept_forever(tls_server, lambda connection: answer(connection, context))


if __name__ == "__main__":
    main()
